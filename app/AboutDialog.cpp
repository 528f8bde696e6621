// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDialog.h"

#include "app/ProjectRCVersion.h"
#include "framework/Controls.h"
#include "resources/ResourceIds.h"

#include <cstdio>

namespace {

constexpr unsigned kLineTextLimit = 255;
constexpr int kLineTextBufferSize = 128;
constexpr int kProductLineBufferSize = 256;

}  // namespace

korvatekAboutDlg::korvatekAboutDlg(TWindow* parent, unsigned resourceId, TModule* module)
    : TDialog(parent, resourceId, module) {}

void korvatekAboutDlg::SetupWindow() {
    PrepareControls();
}

void korvatekAboutDlg::PrepareControls() {
    // A box run again keeps the line objects it made the first time.
    if (ProductLine == nullptr) {
        ProductLine = new TStatic(this, resid::AboutProductLine, kLineTextLimit);
        DescriptionLine = new TStatic(this, resid::AboutDescriptionLine, kLineTextLimit);
    }
    TDialog::SetupWindow();

    const ProjectRCVersion version(GetModule());
    const char* productName = nullptr;
    const char* productVersion = nullptr;
    if (version.QueryProductName(productName) && version.QueryProductVersion(productVersion)) {
        char lineText[kLineTextBufferSize] = {};
        char productLine[kProductLineBufferSize] = {};
        ProductLine->GetText(lineText, sizeof lineText);
        // Longer than 255 bytes together, the line is cut.
        std::snprintf(productLine, sizeof productLine, "%s %s %s", productName, lineText, productVersion);
        ProductLine->SetText(productLine);
    }
    const char* copyright = nullptr;
    if (version.QueryLegalCopyright(copyright)) {
        DescriptionLine->SetText(copyright);
    }
}
