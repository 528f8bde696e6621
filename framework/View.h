// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TView: a view of a document. The application shell needs of it, when the
// document manager reports it (ViewNotify), whether it is usable, its window
// and its optional menu description; the document handling adds the
// document link: a view made on a document is attached to it at construction
// and detached (with ViewNotify code 1) at destruction. A view is owned by
// its document; it owns nothing of the document.

#include <string_view>

class TDocument;
class TMenuDescr;
class TWindow;

class TView {
public:
    /// Detaches the view from its document, if it still has one.
    virtual ~TView();

    TView(const TView&) = delete;
    TView& operator=(const TView&) = delete;

    /// The view id; 0 means the view is not usable.
    virtual unsigned GetViewId() const { return ViewId; }
    /// The window that shows the view (for a window view: itself).
    virtual TWindow* GetWindow() = 0;
    /// The view's own menu description, nullptr when it has none.
    virtual const TMenuDescr* GetViewMenu() const { return nullptr; }
    /// The name of the view's kind (a window view answers "Window View");
    /// empty for a view without one.
    virtual const char* GetViewName() const { return ""; }

    /// The document shown, nullptr for a view made without one or already detached.
    TDocument* GetDocument() const { return Document; }

    /// Takes the document's title: `index` is 0 for a document's only view,
    /// else the view's number from 1. The default does nothing.
    virtual void SetDocTitle(std::string_view docTitle, int index);

protected:
    /// A view of `document`: it gets the next view id and is attached to
    /// the document, which owns it from now on.
    explicit TView(TDocument& document);
    /// A view of no document (stand-ins in tests of the shell).
    TView();

    /// Marks the view as not usable (view id 0), for a view whose set-up failed.
    void MarkUnusable() { ViewId = 0; }
    /// Detaches the view from its document now: the document forgets it and
    /// ViewNotify code 1 goes out. Window views call it first thing in their
    /// destructor, while they are still whole windows.
    void DetachFromDocument();

private:
    TDocument* Document = nullptr;
    unsigned ViewId;
};
