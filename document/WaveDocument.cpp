#include "document/WaveDocument.h"

#include "document/WaveTexts.h"

#include "framework/FrameWindow.h"
#include "framework/MessageBox.h"
#include "framework/Window.h"

#include <string_view>
#include <utility>

namespace {

// Shows each engine message as a modal OK box, no icon, on the owner window.
class TOwnerMessageBoxes final : public TWaveReporter {
public:
    explicit TOwnerMessageBoxes(TWindow* owner) : Owner(owner) {}

    void Report(std::string_view text, const char* caption) override
    {
        MessageBoxEx(Owner, text, caption, MB_OK);
    }

private:
    TWindow* Owner;
};

TAnalysisStartFactory& InstalledAnalysisStart()
{
    static TAnalysisStartFactory factory;
    return factory;
}

}  // namespace

TWaveDocument::TWaveDocument(TDocument* parent) : TFileDocument(parent) {}

TWaveDocument::~TWaveDocument() = default;

bool TWaveDocument::InitDoc()
{
    return true;
}

bool TWaveDocument::Open(int, const char*)
{
    MessageOwner = GetMainWindow();
    TOwnerMessageBoxes boxes(MessageOwner);
    if (!Data.Load(GetDocPath(), boxes)) {
        return false;
    }
    SetDirty(false);
    if (PrepareAnalysis() != 1) {
        boxes.Report(kSetupFailedText, kSetupFailedCaption);
        return false;
    }
    return true;
}

bool TWaveDocument::Close()
{
    TOwnerMessageBoxes boxes(MessageOwner);
    return Data.Close(boxes);
}

bool TWaveDocument::Commit(bool)
{
    return true;
}

bool TWaveDocument::Revert(bool clear)
{
    if (!TFileDocument::Revert(clear)) {
        return false;
    }
    if (!clear) {
        Open(DocOpenRead);
    }
    return true;
}

bool TWaveDocument::IsOpen() const
{
    return Data.IsOpen();
}

int TWaveDocument::PrepareAnalysis()
{
    TOwnerMessageBoxes boxes(MessageOwner);
    TFirstSampleStart fromTheStart;
    std::unique_ptr<TAnalysisStartChooser> chooser;
    if (const TAnalysisStartFactory& factory = InstalledAnalysisStart()) {
        chooser = factory(MessageOwner, *this);
    }
    return Data.PrepareAnalysis(chooser != nullptr ? *chooser : static_cast<TAnalysisStartChooser&>(fromTheStart),
                                boxes);
}

void TWaveDocument::SetAnalysisStart(TAnalysisStartFactory factory)
{
    InstalledAnalysisStart() = std::move(factory);
}
