// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/DocManager.h"

#include "framework/Document.h"
#include "framework/FrameWindow.h"
#include "framework/View.h"
#include "resources/ResourceIds.h"

#include <algorithm>
#include <filesystem>

namespace {

// The open dialog lists at most this many templates.
constexpr std::size_t kMaxDialogTemplates = 40;

// Reports read their string into a buffer of this size.
constexpr int kReportBufferSize = 256;

// The open dialog's path buffer, terminating zero included.
constexpr std::size_t kPathBufferSize = 256;

// The directory part of `path`; empty for a bare file name.
std::string DirectoryOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

}  // namespace

TDocManager::TDocManager(unsigned mode, TDocTemplateList& templates)
    : Mode(mode), Application(TApplication::Current()), TemplateSource(templates), Templates(templates.Templates()) {
    for (TDocTemplate* tpl : Templates) {
        templates.Remove(*tpl);
        tpl->DocManager = this;
    }
}

TDocManager::~TDocManager() {
    while (!Documents.empty()) {
        DiscardDocument(*Documents.back());
    }
    // A later manager (of a later application in this process) finds them again.
    for (TDocTemplate* tpl : Templates) {
        tpl->DocManager = nullptr;
        TemplateSource.Add(*tpl);
    }
}

const TEventTable& TDocManager::ClassEventTable() {
    static const TEventTable table(TDocManagerBase::ClassEventTable(),
                                   {
                                       EvCommand(CmdOpen, &TDocManager::CmFileOpen),
                                       EvCommandEnable(CmdOpen, &TDocManager::CeFileOpen),
                                       EvCommand(CmdClose, &TDocManager::CmFileClose),
                                       EvCommandEnable(CmdClose, &TDocManager::CeFileClose),
                                   });
    return table;
}

TFrameWindow* TDocManager::GetMainWindow() const {
    return Application != nullptr ? Application->GetMainWindow() : nullptr;
}

TDocument* TDocManager::FindDocument(std::string_view path) const {
    const auto it = std::find_if(Documents.begin(), Documents.end(),
                                 [path](const TDocument* doc) { return doc->GetDocPath() == path; });
    return it != Documents.end() ? *it : nullptr;
}

TDocument* TDocManager::GetCurrentDoc() const {
    TFrameWindow* frame = GetMainWindow();
    if (frame == nullptr) {
        return nullptr;
    }
    TWindow* target = frame->GetCommandTarget();
    for (TDocument* doc : Documents) {
        for (TView* view : doc->GetViews()) {
            const TWindow* viewWindow = view->GetWindow();
            for (const TWindow* w = target; viewWindow != nullptr && w != nullptr; w = w->GetParent()) {
                if (w == viewWindow) {
                    return doc;
                }
            }
        }
    }
    return nullptr;
}

void TDocManager::CeFileOpen(TCommandEnabler& enabler) {
    enabler.Enable(!Templates.empty());
}

void TDocManager::CeFileClose(TCommandEnabler& enabler) {
    enabler.Enable(GetCurrentDoc() != nullptr);
}

void TDocManager::CmFileOpen() {
    // 1. The templates the dialog offers.
    std::vector<TDocTemplate*> offered;
    for (TDocTemplate* tpl : Templates) {
        if (tpl->IsVisible() && offered.size() < kMaxDialogTemplates) {
            offered.push_back(tpl);
        }
    }
    if (offered.empty()) {
        return;
    }

    // 2. The file dialog, starting at the template last used, else the first.
    const auto last = std::find(offered.begin(), offered.end(), LastUsed);
    const std::size_t shownIndex = last != offered.end() ? static_cast<std::size_t>(last - offered.begin()) : 0;
    const TDocTemplate& shown = *offered[shownIndex];
    TFileOpenDialog::TData data;
    for (const TDocTemplate* tpl : offered) {
        data.Filters.push_back(TFileFilter{tpl->GetDescription(), tpl->GetFileFilter()});
    }
    data.FilterIndex = shownIndex;
    data.InitialDirectory = shown.GetDirectory();
    data.DefaultExtension = shown.GetDefaultExt();
    data.Options = shown.GetFlags() & TFileOpenDialog::OptionMask & ~TFileOpenDialog::RefusedOptions;
    data.PathBufferSize = kPathBufferSize;
    if (TFileOpenDialog(GetMainWindow(), data).Execute() != IDOK) {
        return;
    }

    // 3. A path that is open already stays as it is.
    if (const TDocument* open = FindDocument(data.FileName)) {
        PostDocError(*open, strid::DocumentAlreadyLoaded);
        return;
    }

    // 4. The chosen template remembers being used, and maybe the directory.
    TDocTemplate& chosen = *offered[data.FilterIndex < offered.size() ? data.FilterIndex : 0];
    LastUsed = &chosen;
    if (chosen.IsFlagSet(TplRememberDirectory)) {
        chosen.SetDirectory(DirectoryOf(data.FileName));
    }

    // 5. One document at a time: the open one goes first.
    if ((Mode & SingleDocumentMode) != 0 && !CloseCurrentForOpen()) {
        return;
    }

    // 6. to 10.
    CreateDocumentAndView(chosen, data.FileName);
}

bool TDocManager::CloseCurrentForOpen() {
    while (!Documents.empty()) {
        TDocument& doc = *Documents.front();
        if (!doc.CanClose()) {
            return false;
        }
        if (!doc.Close()) {
            PostDocError(doc, strid::DocumentCannotClose);
            return false;
        }
        DeleteDocument(doc);
    }
    return true;
}

void TDocManager::CreateDocumentAndView(TDocTemplate& tpl, const std::string& path) {
    TDocument* doc = tpl.ConstructDocument(nullptr);
    Adopt(*doc, tpl);
    try {
        // 6. The path, and with it the title.
        doc->SetDocPath(path);
        // 7. The initialisation hook.
        if (!doc->InitDoc()) {
            PostDocError(*doc, strid::DocumentCannotOpen);
            delete doc;
            return;
        }
        // 8. Opening, for templates that open their documents at once.
        if (tpl.IsFlagSet(TplAutoOpen)) {
            const bool readWrite = tpl.IsFlagSet(TFileOpenDialog::NoReadOnlyReturn);
            if (!doc->Open(readWrite ? DocOpenRead | DocOpenWrite : DocOpenRead, nullptr)) {
                // What the failed open drew into the main window (a preview) goes.
                if (TWindow* main = GetMainWindow()) {
                    main->Invalidate();
                }
                PostDocError(*doc, strid::DocumentCannotOpen);
                delete doc;
                return;
            }
        }
    } catch (...) {
        // A document that never got going is not left behind.
        delete doc;
        throw;
    }

    // 9. The document is announced, then gets its view.
    SendToMainWindow(DocumentNotice, DocumentCreated, doc);
    TView* view = tpl.ConstructView(*doc);

    // 10. A usable view is shown and titled; an unusable one goes.
    if (view != nullptr && view->GetViewId() != 0) {
        NotifyViewEvent(ViewCreated, *view);
        doc->ReportTitleToViews();
        return;
    }
    if (view != nullptr) {
        delete view;  // as the document's last view it takes a TplAutoDelete document along
    } else if (tpl.IsFlagSet(TplAutoDelete)) {
        DiscardDocument(*doc);
    }
}

void TDocManager::CmFileClose() {
    TDocument* doc = GetCurrentDoc();
    if (doc == nullptr || !doc->CanClose()) {
        return;
    }
    if (!doc->Close()) {
        PostDocError(*doc, strid::DocumentCannotClose);
        return;
    }
    DeleteDocument(*doc);
}

bool TDocManager::CanClose() {
    const std::vector<TDocument*> documents = Documents;
    return std::all_of(documents.begin(), documents.end(), [](TDocument* doc) { return doc->CanClose(); });
}

int TDocManager::PostDocError(const TDocument& document, unsigned stringId, unsigned buttons) {
    char buffer[kReportBufferSize];
    const bool found = Application != nullptr && Application->LoadString(stringId, buffer, kReportBufferSize) > 0;
    const std::string text = found ? std::string(buffer) : std::string("Error: Message not found");
    const unsigned flags = buttons == MB_OK ? MB_OK : buttons | MB_ICONQUESTION;
    return MessageBoxEx(GetMainWindow(), text, document.GetTitle().c_str(), flags);
}

bool TDocManager::FlushDoc(TDocument& document) {
    switch (PostDocError(document, strid::DocumentModifiedSave, MB_YESNOCANCEL)) {
    case IDYES: return document.Commit(false);
    case IDNO: return true;  // the changes go with the document
    default: return false;
    }
}

void TDocManager::NotifyViewEvent(unsigned code, TView& view) {
    SendToMainWindow(ViewNotify, code, &view);
}

void TDocManager::DiscardDocument(TDocument& document) {
    if (document.IsOpen()) {
        document.Close();
    }
    DeleteDocument(document);
}

void TDocManager::DeleteDocument(TDocument& document) {
    SendToMainWindow(DocumentNotice, DocumentClosed, &document);
    delete &document;
}

void TDocManager::Adopt(TDocument& document, TDocTemplate& tpl) {
    document.DocManager = this;
    document.Template = &tpl;
    Documents.push_back(&document);
}

void TDocManager::Forget(TDocument& document) {
    std::erase(Documents, &document);
}

void TDocManager::ForgetTemplate(TDocTemplate& tpl) {
    std::erase(Templates, &tpl);
    if (LastUsed == &tpl) {
        LastUsed = nullptr;
    }
    for (TDocument* doc : Documents) {
        if (doc->Template == &tpl) {
            doc->Template = nullptr;
        }
    }
}

void TDocManager::SendToMainWindow(unsigned msg, unsigned code, const void* argument) {
    if (TFrameWindow* frame = GetMainWindow()) {
        frame->SendMessage(msg, code, 0, reinterpret_cast<std::intptr_t>(argument));
    }
}
