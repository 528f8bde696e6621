// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/WaveDocument.h"

#include "framework/DocTemplate.h"

#include <utility>

/// The template for WAV documents shown in view class V: it hands every
/// document it makes `analysisStart`, the maker of the preview and start-time
/// prompt of its analysis set-ups (see TAnalysisStartFactory).
template <class V>
class TWaveDocTemplate final : public TDocTemplateT<TWaveDocument, V> {
public:
    /// A template with `analysisStart`, then the arguments of TDocTemplateT.
    TWaveDocTemplate(TAnalysisStartFactory analysisStart, const char* description, const char* fileFilter,
                     const char* directory, const char* defaultExt, unsigned flags,
                     TDocTemplateList& list = StaticTemplateList())
        : TDocTemplateT<TWaveDocument, V>(description, fileFilter, directory, defaultExt, flags, list),
          AnalysisStart(std::move(analysisStart)) {}

    /// A new TWaveDocument with `parent` and the template's analysis start.
    TWaveDocument* ConstructDocument(TDocument* parent) override { return new TWaveDocument(parent, AnalysisStart); }

private:
    TAnalysisStartFactory AnalysisStart;
};
