// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/AnalysisStart.h"
#include "engine/PlayedWaveData.h"

#include "framework/Document.h"
#include "framework/Waiting.h"

#include <functional>
#include <memory>

class TWindow;
class TWaveDocument;

/// Makes the chooser that shows the waveform preview in `owner` (the main
/// window) and asks for the start time, for one analysis set-up of `document`.
/// Whoever makes the document hands it one (korvani's document template hands
/// it the start-time prompt); without one (or when it answers none), the
/// analysis starts at the first sample without a preview.
using TAnalysisStartFactory =
    std::function<std::unique_ptr<TAnalysisStartChooser>(TWindow* owner, const TWaveDocument& document)>;

/// korvani's one document: a WAV file opened through the document manager.
/// Open plays and loads the file and sets up its analysis; close, revert,
/// commit and is-open do what the document manager expects of them. The file
/// work is done by its TWaveData engine, whose messages this document shows
/// as OK boxes on MessageOwner, the main window.
///
/// Owns the engine, and with it the open file, both memory blocks, the
/// open-info record and the analysis buffers. Is owned by the document manager
/// and owns its views (framework). Draws nothing itself.
class TWaveDocument : public TFileDocument {
public:
    /// A document with nothing loaded, with `parent` (nullptr for none),
    /// whose analysis set-ups use `analysisStart`.
    explicit TWaveDocument(TDocument* parent = nullptr, TAnalysisStartFactory analysisStart = {});
    /// Gives back everything the engine holds (see TWaveData), then the base.
    ~TWaveDocument() override;

    /// Answers true.
    bool InitDoc() override;
    /// Loads the file at the document's path (`mode` and `path` are ignored;
    /// while its sound plays the windows stay painted and take no input, see
    /// PaintWhileWaiting), then runs PrepareAnalysis; shows "Failed" under
    /// "init" when that does not answer 1. Answers true when both succeeded.
    bool Open(int mode, const char* path = nullptr) override;
    /// Closes the file (see TWaveData::Close); false after a close error.
    bool Close() override;
    /// Writes nothing and answers true.
    bool Commit(bool force = false) override;
    /// Runs the file document's revert; false when that fails. Unless `clear`,
    /// then opens the file again (sound and boxes included), whatever that
    /// answers. Answers true.
    bool Revert(bool clear = false) override;
    /// Whether a load found a non-empty "data" chunk.
    bool IsOpen() const override;

    /// The analysis set-up: transform size and tables, then the preview and
    /// start time of the document's TAnalysisStartFactory, then the spectrum.
    /// Answers 1, or 0 after its message.
    int PrepareAnalysis();

    /// The loaded file and its analysis, for the views.
    const TWaveData& Wave() const { return Data; }

    /// The main window: owner of every box of the load, the close and the
    /// analysis. Looked up through the document manager by each open.
    TWindow* MessageOwner = nullptr;

private:
    TPlayedWaveData Data{PaintWhileWaiting};
    TAnalysisStartFactory AnalysisStart;
};
