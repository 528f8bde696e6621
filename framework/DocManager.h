// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TDocManager: the application's document handling. It serves the "open..."
// (24332) and "close" (24339) commands, makes documents and views through the
// templates it adopted, closes and deletes documents, answers the
// application's can-close query, and reports its failures in message boxes
// on the main window.
//
// Ownership: the manager owns its open documents (which own their views).
// It links the templates it took over from its template list but owns none
// of them; it hands them back to that list when it is destroyed. The
// application owns the manager.

#include "framework/Application.h"
#include "framework/DocTemplate.h"
#include "framework/MessageBox.h"

#include <string>
#include <string_view>
#include <vector>

class TFrameWindow;
class TView;

/// Mode bit: one document at a time; opening another closes the current one first.
inline constexpr unsigned SingleDocumentMode = 1;

/// Codes of the document notice (DocumentNotice, manager to main window);
/// LParam carries the document.
inline constexpr unsigned DocumentCreated = 0, DocumentClosed = 1;

class TDocManager : public TDocManagerBase {
public:
    /// A manager with mode bits `mode` for the application running now. It
    /// takes over every template of `templates` and points each back at
    /// itself; `templates` must outlive the manager.
    explicit TDocManager(unsigned mode, TDocTemplateList& templates = StaticTemplateList());
    /// Closes every open document (if open) and deletes it, then hands the
    /// templates back to their list.
    ~TDocManager() override;

    TDocManager(const TDocManager&) = delete;
    TDocManager& operator=(const TDocManager&) = delete;

    DECLARE_EVENT_TABLE

    /// The mode bits.
    unsigned GetMode() const { return Mode; }
    /// The adopted templates, in the order of their list.
    const std::vector<TDocTemplate*>& GetTemplates() const { return Templates; }
    /// The open documents, oldest first.
    const std::vector<TDocument*>& GetDocuments() const { return Documents; }
    /// The application the manager serves.
    TApplication* GetApplication() const { return Application; }
    /// The application's main window, nullptr when there is none.
    TFrameWindow* GetMainWindow() const;

    /// The open document with path `path`, nullptr when none.
    TDocument* FindDocument(std::string_view path) const;
    /// The current document: the open document one of whose view windows
    /// is, or contains, the window that receives the main window's commands.
    TDocument* GetCurrentDoc() const;

    /// Command 24332: the open sequence (file dialog, checks, closing the
    /// current document in single-document mode, new document and view).
    void CmFileOpen();
    /// Command 24339: asks the current document whether it may close,
    /// closes it and deletes it; reports 32505 when closing fails.
    void CmFileClose();

    /// The can-close query: asks every open document; one refusal answers false.
    bool CanClose() override;

    /// Shows the report of string `stringId` (or "Error: Message not found")
    /// in a box on the main window captioned with the document's title: an
    /// OK button only, or the buttons of `buttons` (MB_...) with a question
    /// icon. Answers the button pressed.
    int PostDocError(const TDocument& document, unsigned stringId, unsigned buttons = MB_OK);
    /// Asks about a modified document (string 32508, Yes/No/Cancel): Yes
    /// commits it, No reverts it with clear; answers whether it may close.
    bool FlushDoc(TDocument& document);

    /// Sends ViewNotify `code` (ViewCreated, ViewClosed) with `view` to the main window.
    void NotifyViewEvent(unsigned code, TView& view);
    /// Closes `document` if it is open, whatever that answers, and deletes it.
    void DiscardDocument(TDocument& document);

private:
    friend class TDocument;
    friend class TDocTemplate;

    void Adopt(TDocument& document, TDocTemplate& tpl);
    void Forget(TDocument& document);
    void ForgetTemplate(TDocTemplate& tpl);
    void DeleteDocument(TDocument& document);
    void SendToMainWindow(unsigned msg, unsigned code, const void* argument);
    void CeFileOpen(TCommandEnabler& enabler);
    void CeFileClose(TCommandEnabler& enabler);
    bool CloseCurrentForOpen();
    void CreateDocumentAndView(TDocTemplate& tpl, const std::string& path);

    unsigned Mode;
    TApplication* Application;
    TDocTemplateList& TemplateSource;
    std::vector<TDocTemplate*> Templates;
    std::vector<TDocument*> Documents;  // owned
    TDocTemplate* LastUsed = nullptr;
};
