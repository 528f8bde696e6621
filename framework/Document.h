// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TDocument: the data behind one or more views. It keeps its path and title,
// its views, its modified flag, its child documents, and its links to the
// document manager and template that made it. The document manager calls its
// virtual operations (init hook, open, is-open, can-close, close, commit,
// revert); derived documents override them to load and release their data.
//
// Ownership: a document owns its views (deleting it deletes them) and its
// child documents. A document without a parent is owned by its document
// manager. A document never owns the manager or the template.
//
// TFileDocument: a document stored in a file named by its path; it keeps
// the open mode between open and close.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TDocManager;
class TDocTemplate;
class TFrameWindow;
class TView;

/// Codes of DocumentNotification (document to its views). The message's
/// WParam carries the force or clear argument, LParam the document.
inline constexpr unsigned DocCommitNotice = 5, DocRevertNotice = 6;

/// Open modes of TDocument::Open.
inline constexpr int DocOpenRead = 0x0001, DocOpenWrite = 0x0002;

class TDocument {
public:
    /// A document with `parent` (nullptr for none); a parent owns it and
    /// lends it its document manager.
    explicit TDocument(TDocument* parent = nullptr);
    /// Deletes the views (each sends ViewNotify code 1), then the child
    /// documents, and leaves the parent's or the manager's list.
    virtual ~TDocument();

    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    // --- The operations the document manager calls, in the order of use ---

    /// The initialisation hook, called once the path is set and before
    /// opening; false makes the manager report 32504 and delete the document.
    /// The default answers true.
    virtual bool InitDoc();
    /// Opens the document with `mode` (DocOpenRead, DocOpenWrite) and, when
    /// `path` is not nullptr, that path. The default answers true.
    virtual bool Open(int mode, const char* path = nullptr);
    /// Whether the document holds open data; the default answers whether a
    /// child document is open.
    virtual bool IsOpen() const;
    /// Whether the document may close: every child may, and a modified
    /// document asks the user (string 32508, Yes saves, No discards, Cancel
    /// refuses).
    virtual bool CanClose();
    /// Closes the child documents; false when one refused.
    virtual bool Close();
    /// Saves: commits the child documents, notifies the views
    /// (DocCommitNotice, WParam `force`) and clears the modified flag; false
    /// when a child or a view refused.
    virtual bool Commit(bool force = false);
    /// Goes back to the stored state: reverts the child documents, notifies
    /// the views (DocRevertNotice, WParam `clear`) and clears the modified
    /// flag; false when a child or a view refused.
    virtual bool Revert(bool clear = false);

    // --- Path and title -------------------------------------------------------

    /// The path, empty when there is none.
    const std::string& GetDocPath() const { return Path; }
    /// Sets the path; the title becomes the path's file title, or string
    /// 32503 "Dokument" when there is no path or it names no file.
    virtual void SetDocPath(std::string_view path);
    /// The title.
    const std::string& GetTitle() const { return Title; }
    /// Sets the title and gives it to every view (see TView::SetDocTitle).
    void SetTitle(std::string_view title);

    // --- State and family -------------------------------------------------------

    /// Whether the document was changed since it was opened or saved.
    bool IsDirty() const { return Dirty; }
    /// Sets or clears the modified flag.
    void SetDirty(bool dirty = true) { Dirty = dirty; }

    /// The views, oldest first.
    const std::vector<TView*>& GetViews() const { return Views; }
    /// The parent document, nullptr for none.
    TDocument* GetParentDoc() const { return Parent; }
    /// The child documents, oldest first.
    const std::vector<TDocument*>& GetChildDocs() const { return Children; }
    /// The document manager, nullptr until one adopted the document (or its parent).
    TDocManager* GetDocManager() const;
    /// The template that made the document, nullptr for none.
    TDocTemplate* GetTemplate() const { return Template; }
    /// The application's main window, reached through the document manager;
    /// nullptr without a manager or main window.
    TFrameWindow* GetMainWindow() const;

    /// Sends DocumentNotification `code` with `arg` in WParam to every view's
    /// window; false when a view that handles it answered false.
    bool NotifyViews(unsigned code, std::uintptr_t arg = 0);

private:
    friend class TDocManager;
    friend class TView;

    void AttachView(TView& view);
    void DetachView(TView& view);
    void ReportTitleToViews();

    std::string Path;
    std::string Title;
    bool Dirty = false;
    bool Destroying = false;
    TDocument* Parent;
    std::vector<TDocument*> Children;
    std::vector<TView*> Views;
    TDocManager* DocManager = nullptr;
    TDocTemplate* Template = nullptr;
};

class TFileDocument : public TDocument {
public:
    /// A file document with `parent` (nullptr for none).
    explicit TFileDocument(TDocument* parent = nullptr);

    /// Takes `path` when given; answers false when the document then has no
    /// path, else keeps `mode` and answers true. Reading the file is left to
    /// the derived document.
    bool Open(int mode, const char* path = nullptr) override;
    /// Whether Open succeeded and Close has not run since (or a child is open).
    bool IsOpen() const override;
    /// Closes the child documents, then the document itself.
    bool Close() override;

    /// The mode of the last successful Open, 0 while closed.
    int GetOpenMode() const { return OpenMode; }

private:
    int OpenMode = 0;
};
