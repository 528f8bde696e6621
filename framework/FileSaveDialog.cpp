// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/FileSaveDialog.h"

#include "framework/MessageBox.h"
#include "framework/Window.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/FileTypeFilter.h"
#include "framework/qt/ModalReturn.h"
#include "framework/qt/WindowAccess.h"

#include <QDir>
#include <QFileDialog>

#include <algorithm>
#include <cstring>

namespace {

// Qt's file dialog (the platform's, unless the application asks for Qt's own).
class QtSaveFileDialog : public ISaveFileDialog {
public:
    std::optional<std::string> AskSaveName(const TSaveFileRequest& request) override {
        QWidget* owner = request.Owner != nullptr ? TWindowAccess::TopWidget(*request.Owner) : nullptr;
        const ModalReturn comeBack(owner);
        QFileDialog dialog(owner);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.Flags & OFN_OVERWRITEPROMPT) == 0);
        QStringList filters;
        for (const auto& [text, pattern] : request.Filters) {
            filters << QtFileTypeFilter(ToQString(text), ToQString(pattern));
        }
        if (!filters.isEmpty()) {
            ShowFileTypeTextsOnly(dialog);
            dialog.setNameFilters(filters);
        }
        if (!request.DefaultExt.empty()) {
            dialog.setDefaultSuffix(ToQString(request.DefaultExt));
        }
        dialog.setDirectory(request.InitialDir.empty() ? QDir::currentPath() : ToQString(request.InitialDir));
        if (!request.InitialName.empty()) {
            dialog.selectFile(ToQString(request.InitialName));  // a full path also picks its directory
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return FromQString(dialog.selectedFiles().front());
    }
};

}  // namespace

template <>
ISaveFileDialog& TSeam<ISaveFileDialog>::Default() {
    static QtSaveFileDialog dialog;
    return dialog;
}

TFileSaveDialog::TData::TData(unsigned flags, const char* filter, const char* initialDir, const char* defExt,
                              int maxPath)
    : Flags(flags),
      Filter(filter != nullptr ? filter : ""),
      InitialDir(initialDir != nullptr ? initialDir : ""),
      DefExt(defExt != nullptr ? defExt : ""),
      FileName(static_cast<std::size_t>(std::max(maxPath, 1)), '\0') {}

void TFileSaveDialog::TData::SetFileName(std::string_view path) {
    const std::size_t count = std::min(path.size(), FileName.size() - 1);
    std::memcpy(FileName.data(), path.data(), count);
    FileName[count] = '\0';
}

std::vector<std::pair<std::string, std::string>> TFileSaveDialog::TData::FilterPairs() const {
    // "text|pattern|text|pattern|": a text without its pattern is dropped.
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < Filter.size()) {
        const std::size_t bar = Filter.find('|', start);
        const std::size_t end = bar == std::string::npos ? Filter.size() : bar;
        parts.push_back(Filter.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        pairs.emplace_back(parts[i], parts[i + 1]);
    }
    return pairs;
}

int TFileSaveDialog::Execute() {
    TSaveFileRequest request;
    request.Owner = Parent;
    request.Filters = Data.FilterPairs();
    request.InitialDir = Data.InitialDir;
    request.InitialName = Data.GetFileName();
    request.DefaultExt = Data.DefExt;
    request.Flags = Data.Flags;
    Data.Error = 0;
    const std::optional<std::string> chosen = TSeam<ISaveFileDialog>::Get().AskSaveName(request);
    if (!chosen) {
        return IDCANCEL;
    }
    if (chosen->size() >= static_cast<std::size_t>(Data.GetMaxPath())) {
        Data.Error = FNERR_BUFFERTOOSMALL;
        return IDCANCEL;
    }
    Data.SetFileName(*chosen);
    return IDOK;
}
