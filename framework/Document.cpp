// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Document.h"

#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/Messages.h"
#include "framework/Module.h"
#include "framework/View.h"
#include "framework/Window.h"
#include "resources/ResourceIds.h"

#include <algorithm>

namespace {

// The file title of `path`: the name after its last directory separator.
std::string_view FileTitle(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// String `id` from the application's module, or from the global one when
// the document has no manager yet.
std::string FrameworkString(const TDocManager* manager, unsigned id) {
    const TModule* module = manager != nullptr && manager->GetApplication() != nullptr
                                ? static_cast<const TModule*>(manager->GetApplication())
                                : gModule;
    if (module != nullptr) {
        return module->LoadString(id).value_or(std::string());
    }
    return std::string(res::FindString(id).value_or(std::string_view()));
}

// Commit and Revert: `step` on every child first, then `notice` with `flag`
// to the views; the modified flag clears only when all of them agreed.
bool ChildrenThenViews(TDocument& doc, bool (TDocument::*step)(bool), bool flag, unsigned notice) {
    for (TDocument* child : doc.GetChildDocs()) {
        if (!(child->*step)(flag)) {
            return false;
        }
    }
    if (!doc.NotifyViews(notice, flag ? 1 : 0)) {
        return false;
    }
    doc.SetDirty(false);
    return true;
}

}  // namespace

// --- TDocument ------------------------------------------------------------------------

TDocument::TDocument(TDocument* parent) : Parent(parent) {
    if (parent != nullptr) {
        parent->Children.push_back(this);
    }
}

TDocument::~TDocument() {
    Destroying = true;
    while (!Views.empty()) {
        delete Views.back();  // the view detaches itself
    }
    while (!Children.empty()) {
        delete Children.back();  // the child leaves the list itself
    }
    if (Parent != nullptr) {
        std::erase(Parent->Children, this);
    } else if (DocManager != nullptr) {
        DocManager->Forget(*this);
    }
}

bool TDocument::InitDoc() {
    return true;
}

bool TDocument::Open(int, const char* path) {
    if (path != nullptr) {
        SetDocPath(path);
    }
    return true;
}

bool TDocument::IsOpen() const {
    return std::any_of(Children.begin(), Children.end(), [](const TDocument* child) { return child->IsOpen(); });
}

bool TDocument::CanClose() {
    if (!std::all_of(Children.begin(), Children.end(), [](TDocument* child) { return child->CanClose(); })) {
        return false;
    }
    // Without a manager there is nobody to ask on behalf of the document.
    TDocManager* manager = GetDocManager();
    return !Dirty || manager == nullptr || manager->FlushDoc(*this);
}

bool TDocument::Close() {
    for (TDocument* child : Children) {
        if (child->IsOpen() && !child->Close()) {
            return false;
        }
    }
    return true;
}

bool TDocument::Commit(bool force) {
    return ChildrenThenViews(*this, &TDocument::Commit, force, DocCommitNotice);
}

bool TDocument::Revert(bool clear) {
    return ChildrenThenViews(*this, &TDocument::Revert, clear, DocRevertNotice);
}

void TDocument::SetDocPath(std::string_view path) {
    Path = std::string(path);
    const std::string_view title = FileTitle(Path);
    SetTitle(title.empty() ? FrameworkString(GetDocManager(), strid::DocumentDefaultTitle) : std::string(title));
}

void TDocument::SetTitle(std::string_view title) {
    Title = std::string(title);
    ReportTitleToViews();
}

void TDocument::ReportTitleToViews() {
    // A document's only view shows the plain title; several are numbered from 1.
    const std::vector<TView*> views = Views;
    for (std::size_t i = 0; i < views.size(); ++i) {
        views[i]->SetDocTitle(Title, views.size() == 1 ? 0 : static_cast<int>(i + 1));
    }
}

TDocManager* TDocument::GetDocManager() const {
    if (DocManager != nullptr) {
        return DocManager;
    }
    return Parent != nullptr ? Parent->GetDocManager() : nullptr;
}

TFrameWindow* TDocument::GetMainWindow() const {
    const TDocManager* manager = GetDocManager();
    return manager != nullptr ? manager->GetMainWindow() : nullptr;
}

bool TDocument::NotifyViews(unsigned code, std::uintptr_t arg) {
    bool answer = true;
    const std::vector<TView*> views = Views;
    for (TView* view : views) {
        TWindow* window = view->GetWindow();
        if (window == nullptr) {
            continue;
        }
        TMessage msg{DocumentNotification, code, arg, reinterpret_cast<std::intptr_t>(this)};
        if (window->Dispatch(msg) && msg.Result == 0) {
            answer = false;
        }
    }
    return answer;
}

void TDocument::AttachView(TView& view) {
    Views.push_back(&view);
}

void TDocument::DetachView(TView& view) {
    std::erase(Views, &view);
    TDocManager* manager = GetDocManager();
    if (manager != nullptr) {
        manager->NotifyViewEvent(ViewClosed, view);
    }
    // The last view of an auto-deleting document takes the document along,
    // unless the document is the one deleting its views.
    if (!Destroying && Views.empty() && DocManager != nullptr && Template != nullptr &&
        Template->IsFlagSet(TplAutoDelete)) {
        DocManager->DiscardDocument(*this);
    }
}

// --- TFileDocument --------------------------------------------------------------------

TFileDocument::TFileDocument(TDocument* parent) : TDocument(parent) {}

bool TFileDocument::Open(int mode, const char* path) {
    if (path != nullptr) {
        SetDocPath(path);
    }
    if (GetDocPath().empty()) {
        return false;
    }
    OpenMode = mode;
    return true;
}

bool TFileDocument::IsOpen() const {
    return OpenMode != 0 || TDocument::IsOpen();
}

bool TFileDocument::Close() {
    if (!TDocument::Close()) {
        return false;
    }
    OpenMode = 0;
    return true;
}
