// The Qt platform pieces: file filters, browser candidates, and a watched browser process.
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"

#include <QSignalSpy>
#include <QTest>

using namespace solvina;

class QtPlatformTest : public QObject {
    Q_OBJECT

private slots:
    void filtersBecomeQtNameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pages") << "HTMLファイル（*.htm *.html）|*.htm;*.html"
                               << "HTMLファイル（*.htm *.html） (*.htm *.html)";
        QTest::newRow("images") << "画像ファイル（*.gif *.jpeg *.jpg）|*.gif;*.jpeg;*.jpg"
                                << "画像ファイル（*.gif *.jpeg *.jpg） (*.gif *.jpeg *.jpg)";
        QTest::newRow("two entries") << "A|*.a|B|*.b;*.c"
                                     << "A (*.a);;B (*.b *.c)";
    }
    void filtersBecomeQtNameFilters() {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(qtNameFilter(filter.toStdString()), expected);
    }

    void browserVariableComesFirst() {
        const auto commands =
            browserCommands(QStringLiteral("my-browser --new-window:other %s --x"), "/a/pre.html");
        QVERIFY(commands.size() >= 3);
        QCOMPARE(commands[0].program, QStringLiteral("my-browser"));
        QCOMPARE(commands[0].arguments, (QStringList{"--new-window", "/a/pre.html"}));
        QCOMPARE(commands[1].program, QStringLiteral("other"));
        QCOMPARE(commands[1].arguments, (QStringList{"/a/pre.html", "--x"}));
        QCOMPARE(commands[2].program, QStringLiteral("xdg-open"));
        QCOMPARE(browserCommands(QString(), "x").front().program, QStringLiteral("xdg-open"));
    }

    void theEndOfTheBrowserProcessIsItsQuit() {
        qputenv("BROWSER", "true");
        QtBrowser browser;
        bool quit = false;
        Result<int> started = browser.open("/nowhere/pre.html", [&] { quit = true; });
        QVERIFY(started.ok());
        QTRY_VERIFY(quit);
    }

    void noBrowserAtAllIsAFailureWithADescription() {
        qputenv("BROWSER", "");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent-folder");
        QtBrowser browser;
        Result<int> started = browser.open("/nowhere/pre.html", {});
        qputenv("PATH", path);
        QVERIFY(!started.ok());
        QVERIFY(!started.error().empty());
    }
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
