// SPDX-License-Identifier: GPL-3.0-or-later
// The file-open dialog the user really sees (Qt's file dialog), answered
// by the scripted user: one type in the list and no way to pick another,
// the initial directory, the default extension added to a typed name, a
// name that need not exist, and the read-only check box.

#include "framework/FileOpenDialog.h"
#include "framework/MessageBox.h"
#include "framework/testing/ScriptedUser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using harness::ScriptedUser;

// What the dialog showed, read from its widgets.
struct DialogView {
    QStringList NameFilters;
    int TypeCount = -1;
    bool TypeListEditable = true;
    std::string Directory;
    std::string DefaultSuffix;
    QFileDialog::FileMode Mode = QFileDialog::Directory;
    QStringList TypeTexts;
    bool HasReadOnlyBox = false;
    bool ReadOnlyChecked = false;
};

DialogView Read(QFileDialog& dialog) {
    DialogView view;
    view.NameFilters = dialog.nameFilters();
    if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        view.TypeCount = types->count();
        for (int i = 0; i < types->count(); ++i) {
            view.TypeTexts << types->itemText(i);
        }
        view.TypeListEditable = types->isEditable();
    }
    view.Directory = dialog.directory().absolutePath().toStdString();
    view.DefaultSuffix = dialog.defaultSuffix().toStdString();
    view.Mode = dialog.fileMode();
    if (auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("readOnlyCheckBox"))) {
        view.HasReadOnlyBox = box->isVisible();
        view.ReadOnlyChecked = box->isChecked();
    }
    return view;
}

// Reads the dialog into `seen`, types `name` into the file-name field,
// checks the read-only box when asked, and presses Open.
ScriptedUser::Answer TypeNameAndOpen(DialogView& seen, const QString& name, bool checkReadOnly = false) {
    return [&seen, name, checkReadOnly](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        auto* edit = modal.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = modal.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (dialog == nullptr || edit == nullptr || buttons == nullptr) {
            ADD_FAILURE() << "not Qt's file dialog";
            harness::ForceClose(modal);
            return;
        }
        seen = Read(*dialog);
        if (checkReadOnly) {
            if (auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("readOnlyCheckBox"))) {
                box->setFocus();
                QTest::keyClick(box, Qt::Key_Space);
            }
        }
        edit->setFocus();
        QTest::keyClicks(edit, name);
        QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
    };
}

TFileOpenDialog::TData WaveData(const QTemporaryDir& dir) {
    TFileOpenDialog::TData data;
    data.Filters = {{"Wave files (*.wav)", "*.wav"}};
    data.InitialDirectory = dir.path().toStdString();
    data.DefaultExtension = "WAV";
    return data;
}

TEST(FileOpenDialog, ShowsOneTypeTheDirectoryAndAnUncheckedReadOnlyBoxAndTakesANewName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TFileOpenDialog::TData data = WaveData(dir);
    DialogView seen;
    ScriptedUser user;
    user.Then(TypeNameAndOpen(seen, QStringLiteral("song")));

    EXPECT_EQ(TFileOpenDialog(nullptr, data).Execute(), IDOK);
    EXPECT_EQ(seen.TypeTexts, QStringList{QStringLiteral("Wave files (*.wav)")}) << "the template's text as it stands";
    EXPECT_EQ(seen.NameFilters, QStringList{QStringLiteral("Wave files (*.wav) (*.wav *.WAV)")})
        << "lists take.WAV as well as take.wav";
    EXPECT_EQ(seen.TypeCount, 1);
    EXPECT_FALSE(seen.TypeListEditable) << "no other type can be typed in";
    EXPECT_EQ(seen.Directory, dir.path().toStdString());
    EXPECT_EQ(seen.DefaultSuffix, "WAV");
    EXPECT_EQ(seen.Mode, QFileDialog::AnyFile) << "the file need not exist";
    EXPECT_TRUE(seen.HasReadOnlyBox);
    EXPECT_FALSE(seen.ReadOnlyChecked);

    EXPECT_EQ(data.FileName, dir.filePath(QStringLiteral("song.WAV")).toStdString());
    EXPECT_EQ(data.FilterIndex, 0u);
    EXPECT_EQ(data.Options & TFileOpenDialog::ReadOnly, 0u);
}

TEST(FileOpenDialog, AnExistingFileKeepsItsNameAndTheReadOnlyAnswerComesBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("a.wav")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TFileOpenDialog::TData data = WaveData(dir);
    DialogView seen;
    ScriptedUser user;
    user.Then(TypeNameAndOpen(seen, QStringLiteral("a.wav"), true));

    EXPECT_EQ(TFileOpenDialog(nullptr, data).Execute(), IDOK);
    EXPECT_EQ(data.FileName, dir.filePath(QStringLiteral("a.wav")).toStdString());
    EXPECT_EQ(data.Options & TFileOpenDialog::ReadOnly, TFileOpenDialog::ReadOnly);
}

TEST(FileOpenDialog, OptionsHideTheBoxOrAskForAnExistingFileAndCancelLeavesTheDataAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TFileOpenDialog::TData data = WaveData(dir);
    data.Options = TFileOpenDialog::HideReadOnly | TFileOpenDialog::FileMustExist;
    data.FileName = "before";
    DialogView seen;
    ScriptedUser user;
    user.Then([&seen](QWidget& modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
            seen = Read(*dialog);
        }
        QTest::keyClick(&modal, Qt::Key_Escape);
    });

    EXPECT_EQ(TFileOpenDialog(nullptr, data).Execute(), IDCANCEL);
    EXPECT_FALSE(seen.HasReadOnlyBox);
    EXPECT_EQ(seen.Mode, QFileDialog::ExistingFile);
    EXPECT_EQ(data.FileName, "before");
}

}  // namespace
