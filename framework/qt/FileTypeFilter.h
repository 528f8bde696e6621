// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entries of a file dialog's type list on Qt.

#include <QFileDialog>
#include <QString>
#include <QStringList>

/// Qt's name filter for one type-list entry: the entry's own text, shown as
/// it stands ("Wave files (*.wav)"), followed by the patterns Qt matches,
/// which the dialog hides (QFileDialog::HideNameFilterDetails). Each pattern
/// is matched in lower and in upper case too, since a Linux file system tells
/// "take.WAV" from "take.wav" where the platform the texts come from did not.
/// `patterns` are separated by ';' or blanks.
inline QString QtFileTypeFilter(const QString& text, QString patterns) {
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QStringList matched;
    for (const QString& pattern : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()}) {
            if (!matched.contains(variant)) {
                matched << variant;
            }
        }
    }
    const QString shown =
        text.endsWith(QLatin1Char(')')) ? text : text + QStringLiteral(" (") + patterns + QLatin1Char(')');
    return shown + QStringLiteral(" (") + matched.join(QLatin1Char(' ')) + QLatin1Char(')');
}

/// Sets the dialog to show each type-list entry's text without the patterns
/// that QtFileTypeFilter appends for matching.
inline void ShowFileTypeTextsOnly(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::HideNameFilterDetails);
}
