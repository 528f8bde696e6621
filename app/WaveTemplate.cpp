// korvani's one document template: WAV files open as a TWaveDocument shown
// in a TWaveView. The template joins the framework's static template list
// while the program starts, before the document manager takes the list over.
// This file is a source of the korvani executable itself: nothing refers to
// the template by name, and a static library would drop it.

#include "document/WaveDocument.h"
#include "framework/DocTemplate.h"
#include "presentation/WaveView.h"

TDocTemplateT<TWaveDocument, TWaveView> waveTemplate("Wave files (*.wav)", "*.wav", nullptr, "WAV",
                                                     TplAutoDelete | TplAutoOpen | TplRememberDirectory);
