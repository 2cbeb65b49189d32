#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

// Every program answers --help, --version and bad arguments on a terminal without a display,
// as it would over ssh or in a package check.
class TestCommandLines : public QObject
{
    Q_OBJECT

private slots:
    void answeredWithoutADisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // start of stdout, or of stderr for status 2

        const QString waytrace = QStringLiteral(WAYTRACE);
        const QString record = QStringLiteral(WAYTRACE_RECORD);
        const QString replay = QStringLiteral(WAYTRACE_REPLAY);
        const QString standin = QStringLiteral(TORVANE_STANDIN);
        QTest::newRow("waytrace --help")
            << waytrace << QStringList{"--help"} << 0 << "Usage: waytrace [options] [ADDRESS|FILE]";
        QTest::newRow("waytrace --version")
            << waytrace << QStringList{"--version"} << 0 << "waytrace " WAYTRACE_VERSION "\n";
        QTest::newRow("waytrace unknown option")
            << waytrace << QStringList{"--platform", "xcb"} << 2 << "waytrace: Unknown option";
        QTest::newRow("waytrace two addresses")
            << waytrace << QStringList{"http://a/", "http://b/"} << 2 << "waytrace: one start";
        QTest::newRow("record --help")
            << record << QStringList{"--help"} << 0 << "Usage: waytrace-record [options] ADDRESS";
        QTest::newRow("record --version")
            << record << QStringList{"--version"} << 0 << "waytrace-record " WAYTRACE_VERSION "\n";
        QTest::newRow("record bad number")
            << record << QStringList{"--timeout", "soon", "http://a/"} << 2
            << "waytrace-record: --timeout takes a whole number\nUsage: waytrace-record";
        QTest::newRow("record no address")
            << record << QStringList{} << 2 << "waytrace-record: one ADDRESS";
        QTest::newRow("replay --help")
            << replay << QStringList{"--help"} << 0 << "Usage: waytrace-replay [options] STREAM";
        QTest::newRow("replay --version")
            << replay << QStringList{"--version"} << 0 << "waytrace-replay " WAYTRACE_VERSION "\n";
        QTest::newRow("replay unknown option")
            << replay << QStringList{"--bogus", "x"} << 2 << "waytrace-replay: Unknown option";
        QTest::newRow("replay request without the dialog's values")
            << replay << QStringList{"--request", "--name", "n", "x"} << 2
            << "waytrace-replay: --request and --upload take";
        QTest::newRow("standin --help") << standin << QStringList{"--help"} << 0 << "Usage: ";
        QTest::newRow("standin bad port")
            << standin << QStringList{"--port", "http"} << 2 << "torvane-standin: --port";
    }

    void answeredWithoutADisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        const auto stdOut = QString::fromUtf8(process.readAllStandardOutput());
        const auto stdErr = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2((status == 0 ? stdOut : stdErr).startsWith(out), qPrintable(stdOut + stdErr));
        if (status != 0)
            QVERIFY(stdOut.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCommandLines)
#include "tst_command_lines.moc"
