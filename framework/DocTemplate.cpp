// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/DocTemplate.h"

#include "framework/DocManager.h"

namespace {

// Constant-initialised: static templates of any file may join it before
// anything else runs.
constinit TDocTemplateList gStaticTemplates;

std::string OrEmpty(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

// --- TDocTemplate -----------------------------------------------------------------------

TDocTemplate::TDocTemplate(const char* description, const char* fileFilter, const char* directory,
                           const char* defaultExt, unsigned flags, TDocTemplateList& list)
    : Description(OrEmpty(description)),
      FileFilter(OrEmpty(fileFilter)),
      Directory(OrEmpty(directory)),
      DefaultExt(OrEmpty(defaultExt)),
      Flags(flags) {
    list.Add(*this);
}

TDocTemplate::~TDocTemplate() {
    if (List != nullptr) {
        List->Remove(*this);
    }
    if (DocManager != nullptr) {
        DocManager->ForgetTemplate(*this);
    }
}

// --- TDocTemplateList ---------------------------------------------------------------------

TDocTemplateList::~TDocTemplateList() {
    // Templates that outlive the list must not reach back into it.
    while (Head != nullptr) {
        Remove(*Head);
    }
}

void TDocTemplateList::Add(TDocTemplate& tpl) {
    if (tpl.List != nullptr) {
        tpl.List->Remove(tpl);
    }
    TDocTemplate** link = &Head;
    while (*link != nullptr) {
        link = &(*link)->Next;
    }
    *link = &tpl;
    tpl.List = this;
    tpl.Next = nullptr;
}

void TDocTemplateList::Remove(TDocTemplate& tpl) {
    for (TDocTemplate** link = &Head; *link != nullptr; link = &(*link)->Next) {
        if (*link == &tpl) {
            *link = tpl.Next;
            tpl.Next = nullptr;
            tpl.List = nullptr;
            return;
        }
    }
}

std::vector<TDocTemplate*> TDocTemplateList::Templates() const {
    std::vector<TDocTemplate*> templates;
    for (TDocTemplate* tpl = Head; tpl != nullptr; tpl = tpl->Next) {
        templates.push_back(tpl);
    }
    return templates;
}

TDocTemplateList& StaticTemplateList() {
    return gStaticTemplates;
}
