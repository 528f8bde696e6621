// SPDX-License-Identifier: GPL-3.0-or-later
// korvani's one document template: WAV files open as a TWaveDocument shown
// in a TWaveView, whose analysis set-up shows the preview and asks for the
// start time (TStartTimePrompt). The template joins the framework's static
// template list while the program starts, before the document manager takes
// the list over.
// This file is a source of the korvani executable itself: nothing refers to
// the template by name, and a static library would drop it.

#include "document/WaveDocTemplate.h"
#include "presentation/StartTimePrompt.h"
#include "presentation/WaveView.h"

TWaveDocTemplate<TWaveView> waveTemplate(MakeStartTimePrompt, "Wave files (*.wav)", "*.wav", nullptr, "WAV",
                                         TplAutoDelete | TplAutoOpen | TplRememberDirectory);
