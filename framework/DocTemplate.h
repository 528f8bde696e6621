// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TDocTemplate: binds files that match a filter to a document class and a
// view class. It carries the description and filter shown in the file-open
// dialog, a directory, a default extension and flags (its own Tpl... flags
// and the dialog's options), and it makes documents and views.
// TDocTemplateT<D, V> is the template for document class D and view class V.
//
// Registration: a template constructed without a list (normally a static
// object, during static initialisation) links itself into the framework's
// static template list. A document manager takes over the templates of the
// list it is created with and hands them back when it is destroyed. Nobody
// owns a template: it lives as long as its own storage; the lists only link it.

#include "framework/Document.h"
#include "framework/FileOpenDialog.h"

#include <string>
#include <typeinfo>

class TDocManager;
class TView;

// Template flags, above the file-open dialog's options (the low 20 bits).
/// The document is closed (if open) and deleted when its last view goes, or
/// when no view can be made for it.
inline constexpr unsigned TplAutoDelete = 0x40000000;
/// A new document is opened right after its path is set (mode DocOpenRead,
/// or read and write with TFileOpenDialog::NoReadOnlyReturn).
inline constexpr unsigned TplAutoOpen = 0x08000000;
/// The directory of a file picked in the open dialog becomes the template's directory.
inline constexpr unsigned TplRememberDirectory = 0x04000000;
/// The template is left out of the open dialog.
inline constexpr unsigned TplHidden = 0x02000000;

class TDocTemplateList;

class TDocTemplate {
public:
    /// Unlinks the template from the list that holds it.
    virtual ~TDocTemplate();

    TDocTemplate(const TDocTemplate&) = delete;
    TDocTemplate& operator=(const TDocTemplate&) = delete;

    /// A new document of the template's class with `parent` (nullptr for
    /// none); the parent owns it when there is one, else the caller.
    virtual TDocument* ConstructDocument(TDocument* parent) = 0;
    /// A new view of the template's class on `document`, attached to it
    /// (the document owns it).
    virtual TView* ConstructView(TDocument& document) = 0;
    /// Whether the run-time type of `document` is the template's document class.
    virtual bool IsMyKindOfDoc(const TDocument& document) const = 0;
    /// Whether the run-time type of `view` is the template's view class.
    virtual bool IsMyKindOfView(const TView& view) const = 0;
    /// The name of the template's view kind.
    virtual const char* GetViewName() const = 0;

    /// The description shown in the open dialog's type list.
    const std::string& GetDescription() const { return Description; }
    /// The file pattern(s), for example "*.wav".
    const std::string& GetFileFilter() const { return FileFilter; }
    /// The directory offered first by the open dialog; empty for none.
    const std::string& GetDirectory() const { return Directory; }
    /// Changes the directory.
    void SetDirectory(std::string_view directory) { Directory = std::string(directory); }
    /// The extension added to a typed name that has none; empty for none.
    const std::string& GetDefaultExt() const { return DefaultExt; }
    /// The flags: Tpl... flags and the dialog's options.
    unsigned GetFlags() const { return Flags; }
    /// Whether every bit of `flag` is set.
    bool IsFlagSet(unsigned flag) const { return (Flags & flag) == flag; }
    /// Whether the template appears in the open dialog (TplHidden not set).
    bool IsVisible() const { return !IsFlagSet(TplHidden); }

    /// The document manager that adopted the template, nullptr for none.
    TDocManager* GetDocManager() const { return DocManager; }

protected:
    /// A template with (description, file filter, directory or nullptr,
    /// default extension or nullptr, flags), linked into `list`.
    TDocTemplate(const char* description, const char* fileFilter, const char* directory, const char* defaultExt,
                 unsigned flags, TDocTemplateList& list);

private:
    friend class TDocTemplateList;
    friend class TDocManager;

    std::string Description;
    std::string FileFilter;
    std::string Directory;
    std::string DefaultExt;
    unsigned Flags;
    TDocManager* DocManager = nullptr;
    TDocTemplateList* List = nullptr;  // the list that links it now, if any
    TDocTemplate* Next = nullptr;      // the next template in that list
};

/// A list of templates, linked through the templates themselves, in the
/// order they joined. It owns none of them. Constant-initialised, so static
/// templates can join it during static initialisation in any order of files.
class TDocTemplateList {
public:
    constexpr TDocTemplateList() = default;
    ~TDocTemplateList();

    TDocTemplateList(const TDocTemplateList&) = delete;
    TDocTemplateList& operator=(const TDocTemplateList&) = delete;

    /// Links `tpl` at the end (it leaves any other list first).
    void Add(TDocTemplate& tpl);
    /// Unlinks `tpl` if this list holds it.
    void Remove(TDocTemplate& tpl);
    /// The templates, oldest first.
    std::vector<TDocTemplate*> Templates() const;
    /// Whether the list holds no template.
    bool IsEmpty() const { return Head == nullptr; }

private:
    TDocTemplate* Head = nullptr;
};

/// The framework's static template list: templates made without a list of
/// their own join it during static initialisation.
TDocTemplateList& StaticTemplateList();

template <class D, class V>
class TDocTemplateT : public TDocTemplate {
public:
    /// A template for document class D and view class V with (description,
    /// file filter, directory or nullptr, default extension or nullptr,
    /// flags), linked into `list` (by default the static template list).
    TDocTemplateT(const char* description, const char* fileFilter, const char* directory, const char* defaultExt,
                  unsigned flags, TDocTemplateList& list = StaticTemplateList())
        : TDocTemplate(description, fileFilter, directory, defaultExt, flags, list) {}

    /// A new D with `parent`.
    D* ConstructDocument(TDocument* parent) override { return new D(parent); }
    /// A new V on `document`, which must be a D.
    V* ConstructView(TDocument& document) override { return new V(dynamic_cast<D&>(document)); }
    bool IsMyKindOfDoc(const TDocument& document) const override { return typeid(document) == typeid(D); }
    bool IsMyKindOfView(const TView& view) const override { return typeid(view) == typeid(V); }
    /// V's view name (V::StaticName()).
    const char* GetViewName() const override { return V::StaticName(); }
};
