// Every example the README shows with its output is run and must print exactly
// that. A shown example is a block fenced as ```console: a line starting with "$ "
// is a command (ambrevale-cli, or two of them joined by a pipe), and the lines after
// it, up to the next "$ " line or the block's end, are its standard output.
#include <QFile>
#include <QProcess>
#include <QTest>
#include <memory>
#include <vector>

namespace {

struct Example {
    int line = 0;
    QString command;
    QByteArray output;
};

std::vector<Example> shownExamples(const QByteArray& readme) {
    std::vector<Example> examples;
    qsizetype indent = -1; // of the open block's fence; -1: outside a block
    bool commanded = false; // the open block has had a command
    const QList<QByteArray> lines = readme.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        const QByteArray bare = line.trimmed();
        if (indent < 0) {
            if (bare == "```console")
                indent = line.indexOf('`');
            commanded = false;
            continue;
        }
        if (bare == "```") {
            indent = -1;
            continue;
        }
        // A block in a list item is indented as the item's text is.
        qsizetype spaces = 0;
        while (spaces < indent && spaces < line.size() && line.at(spaces) == ' ')
            ++spaces;
        line.remove(0, spaces);
        if (line.startsWith("$ ")) {
            commanded = true;
            examples.push_back({int(i + 1), QString::fromUtf8(line.mid(2)), {}});
            // A command may go on over lines ending in a backslash.
            while (examples.back().command.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
                examples.back().command.chop(1);
                examples.back().command += QString::fromUtf8(lines.at(++i).trimmed());
            }
        } else if (commanded) {
            examples.back().output += line + '\n';
        }
    }
    return examples;
}

// The words of a command as the shell splits them (quotes and backslashes), the
// commands of a pipe apart. Empty when it uses more of the shell than that.
std::vector<QStringList> commandsOf(const QString& line) {
    std::vector<QStringList> commands(1);
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else if (c == QLatin1Char('\\') && quote == QLatin1Char('"') && i + 1 < line.size())
                word += line.at(++i);
            else
                word += c;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            inWord = true;
        } else if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            word += line.at(++i);
            inWord = true;
        } else if (c.isSpace() || c == QLatin1Char('|')) {
            if (inWord)
                commands.back() << word;
            word.clear();
            inWord = false;
            if (c == QLatin1Char('|'))
                commands.emplace_back();
        } else if (QStringLiteral("<>;&$`()").contains(c)) {
            return {};
        } else {
            word += c;
            inWord = true;
        }
    }
    if (!quote.isNull())
        return {};
    if (inWord)
        commands.back() << word;
    for (const QStringList& command : commands)
        if (command.isEmpty() || command.first() != QLatin1String("ambrevale-cli"))
            return {};
    return commands;
}

} // namespace

class TestReadmeExamples : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void printsWhatTheReadmeShows_data();
    void printsWhatTheReadmeShows();
};

void TestReadmeExamples::printsWhatTheReadmeShows_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("shown");
    QFile readme(QStringLiteral(AMBREVALE_README));
    QVERIFY2(readme.open(QIODevice::ReadOnly), qPrintable(readme.errorString()));
    const std::vector<Example> examples = shownExamples(readme.readAll());
    for (const Example& example : examples)
        QTest::addRow("line %d: %s", example.line, qPrintable(example.command))
            << example.command << example.output;
    // The examples are found at all: a changed fence would leave them unchecked.
    if (examples.size() < 4)
        QTest::newRow("the README's examples") << QString() << QByteArray();
}

void TestReadmeExamples::printsWhatTheReadmeShows() {
    QFETCH(QString, command);
    QFETCH(QByteArray, shown);
    QVERIFY2(!command.isEmpty(), "fewer than four ```console examples found in the README");
    const QString database = QStringLiteral(AMBREVALE_PROGRAM_DIR "/dbCities.sqlite");
    QVERIFY2(QFile::exists(database),
             "the examples run against the world database: scripts/build-database.sh build/bin");
    const std::vector<QStringList> commands = commandsOf(command);
    QVERIFY2(!commands.empty(), "a shown command is ambrevale-cli with its arguments, or two "
                                "such commands joined by a pipe");

    // The tool beside the database, in a locale of plain numbers, from any folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.remove(QStringLiteral("AMBREVALE_PROGRAM_DIR"));
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& words : commands) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->setProcessEnvironment(environment);
        processes.back()->setWorkingDirectory(QStringLiteral(AMBREVALE_PROGRAM_DIR));
        processes.back()->setProgram(QStringLiteral(AMBREVALE_PROGRAM_DIR "/ambrevale-cli"));
        processes.back()->setArguments(words.mid(1));
    }
    for (size_t i = 0; i + 1 < processes.size(); ++i)
        processes[i]->setStandardOutputProcess(processes[i + 1].get());
    for (const auto& process : processes) {
        process->start();
        QVERIFY2(process->waitForStarted(), qPrintable(process->errorString()));
    }
    processes.front()->closeWriteChannel();
    // The last first: its output is read while it runs, so no pipe fills up.
    for (auto it = processes.rbegin(); it != processes.rend(); ++it) {
        QProcess* process = it->get();
        QVERIFY(process->waitForFinished(60000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
    }
    // CSV ends its lines with CR LF, which the README cannot show.
    QCOMPARE(QString::fromUtf8(processes.back()->readAllStandardOutput().replace("\r\n", "\n")),
             QString::fromUtf8(shown));
}

QTEST_GUILESS_MAIN(TestReadmeExamples)
#include "tst_readme_examples.moc"
