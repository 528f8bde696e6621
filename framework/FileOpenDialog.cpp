// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/FileOpenDialog.h"

#include "framework/MessageBox.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/FileTypeFilter.h"
#include "framework/qt/ModalReturn.h"
#include "framework/qt/WindowAccess.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>

namespace {

// Qt's own file dialog (never the desktop's, which could not carry the
// read-only check box), modal for the whole application.
class QtFileOpenDialog : public IFileOpenDialog {
public:
    bool Run(TWindow* owner, TFileOpenDialog::TData& data) override {
        QWidget* parent = owner != nullptr ? TWindowAccess::TopWidget(*owner) : nullptr;
        const ModalReturn comeBack(parent);
        QFileDialog dialog(parent);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Without FileMustExist any name may be typed, existing or not.
        dialog.setFileMode((data.Options & TFileOpenDialog::FileMustExist) != 0 ? QFileDialog::ExistingFile
                                                                                : QFileDialog::AnyFile);
        QStringList filters;
        for (const TFileFilter& filter : data.Filters) {
            filters << QtFileTypeFilter(ToQString(filter.Description), ToQString(filter.Pattern));
        }
        ShowFileTypeTextsOnly(dialog);
        dialog.setNameFilters(filters);
        if (data.FilterIndex < static_cast<std::size_t>(filters.size())) {
            dialog.selectNameFilter(filters[static_cast<qsizetype>(data.FilterIndex)]);
        }
        if (!data.InitialDirectory.empty()) {
            dialog.setDirectory(ToQString(data.InitialDirectory));
        }
        dialog.setDefaultSuffix(ToQString(data.DefaultExtension));

        QCheckBox* readOnly = nullptr;
        auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
        if ((data.Options & TFileOpenDialog::HideReadOnly) == 0 && grid != nullptr) {
            // Below the type list, where the platform's dialog had it.
            readOnly = new QCheckBox(QStringLiteral("Read only"), &dialog);
            readOnly->setObjectName(QStringLiteral("readOnlyCheckBox"));
            readOnly->setChecked((data.Options & TFileOpenDialog::ReadOnly) != 0);
            grid->addWidget(readOnly, grid->rowCount(), 1);
        }

        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return false;
        }
        data.FileName = FromQString(dialog.selectedFiles().front());
        const qsizetype chosenFilter = filters.indexOf(dialog.selectedNameFilter());
        if (chosenFilter >= 0) {
            data.FilterIndex = static_cast<std::size_t>(chosenFilter);
        }
        if (readOnly != nullptr && readOnly->isChecked()) {
            data.Options |= TFileOpenDialog::ReadOnly;
        } else {
            data.Options &= ~TFileOpenDialog::ReadOnly;
        }
        return true;
    }
};

}  // namespace

template <>
IFileOpenDialog& TSeam<IFileOpenDialog>::Default() {
    static QtFileOpenDialog dialog;
    return dialog;
}

TFileOpenDialog::TFileOpenDialog(TWindow* owner, TData& data) : Owner(owner), Data(data) {}

int TFileOpenDialog::Execute() {
    TData answer = Data;
    if (!TSeam<IFileOpenDialog>::Get().Run(Owner, answer)) {
        return IDCANCEL;
    }
    // Like the platform's dialog, a path that does not fit the buffer ends it without a choice.
    if (answer.FileName.size() + 1 > answer.PathBufferSize) {
        return IDCANCEL;
    }
    Data = std::move(answer);
    return IDOK;
}
