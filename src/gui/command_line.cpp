// SPDX-License-Identifier: MIT
#include "gui/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace korvel::gui {

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Korvel Tools"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption prefsOption(
        QStringLiteral("prefs"),
        QStringLiteral("preference file to use (default: $KORVEL_PREFS, else the shared store)"),
        QStringLiteral("FILE"));
    parser.addOption(prefsOption);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("a movie or BWF file"),
                                 QStringLiteral("[file]"));
    parser.process(arguments);

    CommandLine line;
    line.prefsFile = parser.value(prefsOption).toStdString();
    for (const QString& file : parser.positionalArguments())
        line.files.append(QFileInfo(file).absoluteFilePath());
    return line;
}

} // namespace korvel::gui
