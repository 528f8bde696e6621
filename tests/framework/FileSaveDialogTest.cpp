// SPDX-License-Identifier: GPL-3.0-or-later
// The save-file dialog: what its data record shows (answered through the
// harness), the chosen path in the path buffer, cancel and a path too long
// for the buffer; and Qt's own dialog with the record's filter, default
// extension, proposed name and replace question.

#include "tests/framework/TestFrameApp.h"

#include "framework/FileSaveDialog.h"
#include "framework/testing/FileSaveAnswers.h"
#include "framework/testing/Harness.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using harness::ScriptedUser;
using Filters = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kWaveFilter = "Wave Files (*.WAV)|*.wav|";

class SaveDialog : public testing::Test {
protected:
    harness::FakeLockKeys keys;
    TestFrameApp app;
};

TEST_F(SaveDialog, ShowsTheRecordAndPutsTheChosenPathIntoTheBuffer) {
    harness::FileSaveAnswers saves;
    saves.Choose("/tmp/retuned");
    TFileSaveDialog::TData data(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kWaveFilter, nullptr, "WAV");
    data.SetFileName("/data/source.wav");
    harness::RunApplication(app, [&] { EXPECT_EQ(TFileSaveDialog(app.Frame, data).Execute(), IDOK); });
    EXPECT_STREQ(data.GetFileName(), "/tmp/retuned.WAV") << "the default extension appended";
    EXPECT_EQ(data.Error, 0u);
    const TSaveFileRequest shown = saves.Last();
    EXPECT_EQ(shown.Owner, app.Frame);
    EXPECT_EQ(shown.Filters, (Filters{{"Wave Files (*.WAV)", "*.wav"}}));
    EXPECT_EQ(shown.InitialName, "/data/source.wav");
    EXPECT_EQ(shown.InitialDir, "");
    EXPECT_EQ(shown.DefaultExt, "WAV");
    EXPECT_EQ(shown.Flags, 0x0006u);
}

TEST_F(SaveDialog, CancelOrAPathTooLongForTheBufferLeaveItUnchanged) {
    harness::FileSaveAnswers saves;
    saves.Cancel().Choose("/a/path/longer/than/sixteen.wav");
    TFileSaveDialog::TData data(0, kWaveFilter, "/data", "WAV");
    EXPECT_EQ(data.GetMaxPath(), 260);
    TFileSaveDialog::TData small(0, kWaveFilter, "/data", "WAV", 16);
    small.SetFileName("/data/x.wav");
    data.SetFileName("/data/x.wav");
    harness::RunApplication(app, [&] {
        EXPECT_EQ(TFileSaveDialog(app.Frame, data).Execute(), IDCANCEL);
        EXPECT_EQ(TFileSaveDialog(app.Frame, small).Execute(), IDCANCEL);
    });
    EXPECT_STREQ(data.GetFileName(), "/data/x.wav");
    EXPECT_STREQ(small.GetFileName(), "/data/x.wav");
    EXPECT_EQ(small.Error, FNERR_BUFFERTOOSMALL);
    EXPECT_EQ(saves.Shown().at(1).InitialDir, "/data");
}

TEST(SaveDialogRecord, FilterPairsTextsWithPatternsAndDropsAnUnpairedText) {
    EXPECT_EQ(TFileSaveDialog::TData(0, "A (*.a)|*.a|B|*.b;*.c|C").FilterPairs(),
              (Filters{{"A (*.a)", "*.a"}, {"B", "*.b;*.c"}}));
    EXPECT_TRUE(TFileSaveDialog::TData(0, nullptr).FilterPairs().empty());
    TFileSaveDialog::TData tiny(0, nullptr, nullptr, nullptr, 4);
    tiny.SetFileName("/abcdef");
    EXPECT_STREQ(tiny.GetFileName(), "/ab");
}

// Pastes `path` into the file-name field of Qt's dialog, which has the focus
// once the dialog is active (selectFile() leaves a focused field alone).
void PasteFileName(QFileDialog& dialog, const QString& path) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr) << "not Qt's file dialog";
    edit->setText(path);
}

// Qt's own dialog, driven in place of the person.
class QtSaveDialog : public SaveDialog {
protected:
    QtSaveDialog() {
        QFile existing(folder.filePath("existing.wav"));
        existing.open(QIODevice::WriteOnly);
        source = folder.filePath("source.wav").toStdString();
    }
    QTemporaryDir folder;
    std::string source;
};

TEST_F(QtSaveDialog, OffersTheFilterAndProposedNameAndAppendsTheDefaultExtension) {
    ScriptedUser user;
    const QString typed = folder.filePath("retuned");
    user.Then([&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Wave Files (*.WAV) (*.wav *.WAV)")});
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->currentText(), "Wave Files (*.WAV)") << "the filter's own text, patterns hidden";
        EXPECT_EQ(dialog->defaultSuffix(), "WAV");
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite)) << "asks before replacing";
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath())
            << "the proposed path's folder";
        EXPECT_EQ(QApplication::focusWidget(), dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            << "the name field starts with the focus";
        PasteFileName(*dialog, typed);
        static_cast<QDialog*>(dialog)->accept();  // what the Save button does
    });
    TFileSaveDialog::TData data(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kWaveFilter, nullptr, "WAV");
    data.SetFileName(source);
    harness::RunApplication(app, [&] { EXPECT_EQ(TFileSaveDialog(app.Frame, data).Execute(), IDOK); });
    EXPECT_EQ(QDir(data.GetFileName()).absolutePath(), QDir(typed + ".WAV").absolutePath());
}

TEST_F(QtSaveDialog, AsksBeforeReplacingAFileOnlyWithThatOptionAndCancelAnswersTwo) {
    ScriptedUser user;
    const QString existing = folder.filePath("existing.wav");
    const auto choose = [existing](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        PasteFileName(*dialog, existing);
        // The Save button, pressed once this answer is over: the replace
        // question it may open is the scripted user's next modal window.
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
    };
    user.Then(choose).Press(IDYES).Then(choose).Then(
        [](QWidget& modal) { qobject_cast<QFileDialog*>(&modal)->reject(); });
    TFileSaveDialog::TData asking(OFN_OVERWRITEPROMPT, kWaveFilter, nullptr, "WAV");
    TFileSaveDialog::TData silent(0, kWaveFilter, nullptr, "WAV");
    TFileSaveDialog::TData cancelled(0, kWaveFilter, nullptr, "WAV");
    cancelled.SetFileName(source);
    harness::RunApplication(app, [&] {
        EXPECT_EQ(TFileSaveDialog(app.Frame, asking).Execute(), IDOK);
        EXPECT_EQ(TFileSaveDialog(app.Frame, silent).Execute(), IDOK);
        EXPECT_EQ(TFileSaveDialog(app.Frame, cancelled).Execute(), IDCANCEL);
    });
    ASSERT_EQ(user.Shown().size(), 4u) << "the replace question came only once";
    EXPECT_TRUE(user.Shown()[1].IsMessageBox);
    EXPECT_EQ(QDir(asking.GetFileName()).absolutePath(), QDir(existing).absolutePath());
    EXPECT_EQ(QDir(silent.GetFileName()).absolutePath(), QDir(existing).absolutePath());
    EXPECT_EQ(cancelled.GetFileName(), source);
}

}  // namespace
