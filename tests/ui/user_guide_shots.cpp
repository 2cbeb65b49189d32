// Pictures for the user guide: the real windows on the real engine record the shop fixture,
// the panel and the upload dialog are filled as a user fills them, and the sequence is saved into
// the stand-in server. One PNG per step and language goes into the folder given.
//
//   user_guide_shots FOLDER        (on a display, for example under xvfb-run)

#include "../support/engine_window.h"
#include "../support/modal_answer.h"
#include "../support/named_child.h"
#include "../support/user_input.h"

#include "fixture_server.h"

#include "ui/control_panel.h"
#include "ui/text.h"
#include "ui/trial_run_results_window.h"
#include "ui/upload_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <stdexcept>

using namespace waytrace;

namespace {

// Rendering settles a little after a page reports completion.
constexpr int kSettleMs = 700;

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(what);
}

template <typename Condition> void waitFor(Condition&& condition, const char* what)
{
    for (int waited = 0; !condition() && waited < kLoadTimeoutMs; waited += 50)
        QTest::qWait(50);
    check(condition(), what);
}

void settle()
{
    QTest::qWait(kSettleMs);
}

void save(const QPixmap& picture, const QString& path)
{
    check(picture.save(path, "PNG", 0), "cannot write a picture");
    std::printf("%s\n", qPrintable(path));
}

// The windows as they lie on the screen, drawn into one picture.
QPixmap side_by_side(const QList<QWidget*>& windows)
{
    QRect bounds;
    for (auto* window : windows)
        bounds |= window->geometry();
    QPixmap picture(bounds.size());
    picture.fill(Qt::darkGray);
    QPainter painter(&picture);
    for (auto* window : windows)
        painter.drawPixmap(window->geometry().topLeft() - bounds.topLeft(), window->grab());
    return picture;
}

void shoot(int language, const QString& name, const QString& folder)
{
    FixtureServer pages(QStringLiteral(FIXTURES_DIR));
    EngineWindow w(language);
    const auto file = [&](const char* step) {
        return folder + QStringLiteral("/%1_%2.png").arg(QLatin1String(step), name);
    };
    waitFor([&] { return w.addressEdit()->text() == w.helpUrl; }, "the help page did not load");

    // Record: a catalogue, a login by POST, an order confirmed in a new window.
    auto* browser = w.pageBrowser();
    const auto click = [browser](const char* id) {
        EngineWindow::run(browser, QStringLiteral("document.getElementById('%1').click()").arg(id));
    };
    check(loads(browser, pages.url("shop/catalogue.html"),
                [&] { w.typeAddress(pages.url("shop/catalogue.html")); }),
          "catalogue");
    check(loads(browser, pages.url("shop/login.html"), [&] { click("login"); }), "login page");
    check(loads(browser, pages.url("shop/login.do"), [&] { click("go"); }), "login");
    check(loads(browser, pages.url("shop/order.html"),
                [&] { w.typeAddress(pages.url("shop/order.html")); }),
          "order page");
    auto& panel = w.form->controlPanel();
    settle();
    save(side_by_side({w.form.get(), &panel}), file("record"));
    click("confirm");
    waitFor([&] { return w.form->sequence().count() == 5; }, "the order did not open a window");
    settle(); // the new window's page completes, and the panel refills, a moment later

    // Label and conditions: alert when the login page shows an error or answers 500.
    panel.reloadList();
    selectEntry(panel, 0);
    typeText(child<QLineEdit>(panel, "urlLabelEdit"),
             language == kJapanese ? QStringLiteral("\u5546\u54C1\u4E00\u89A7")
                                   : QStringLiteral("Catalogue"));
    QTest::keyClicks(child<QLineEdit>(panel, "requiredKeywordsEdit"), QStringLiteral("Products"));
    selectEntry(panel, 2);
    typeText(child<QLineEdit>(panel, "urlLabelEdit"),
             language == kJapanese ? QStringLiteral("\u30ED\u30B0\u30A4\u30F3")
                                   : QStringLiteral("Log in"));
    QTest::keyClicks(child<QLineEdit>(panel, "forbiddenKeywordsEdit"), QStringLiteral("Error"));
    child<QComboBox>(panel, "responseConditionBox")->setFocus();
    // Under Japanese nothing is picked yet: the record's English condition is not an item.
    while (child<QComboBox>(panel, "responseConditionBox")->currentIndex() < 1)
        QTest::keyClick(child<QComboBox>(panel, "responseConditionBox"),
                        Qt::Key_Down); // "Equal to"
    while (child<QComboBox>(panel, "responseCodeBox")->currentText() != QLatin1String("500") &&
           child<QComboBox>(panel, "responseCodeBox")->currentIndex() + 1 <
               child<QComboBox>(panel, "responseCodeBox")->count())
        QTest::keyClick(child<QComboBox>(panel, "responseCodeBox"), Qt::Key_Down);
    QTest::keyClicks(child<QLineEdit>(panel, "userNameEdit"), QStringLiteral("buyer"));
    QTest::keyClicks(child<QLineEdit>(panel, "passwordEdit"), QStringLiteral("secret"));
    child<QLineEdit>(panel, "urlLabelEdit")->setFocus();
    settle();
    save(panel.grab(), file("panel"));

    // Refine: recording after the first step, the place marked in the list and the title.
    selectEntry(panel, 0);
    child<QAction>(panel, "recordAfterAction")->trigger();
    settle();
    save(side_by_side({w.form.get(), &panel}), file("refine"));
    child<QAction>(panel, "recordAtEndAction")->trigger();
    selectEntry(panel, 2);

    // Check: a test run with its POST step, and the results window on the login step.
    {
        ModalAnswer<QMessageBox> posts([](QMessageBox& box) {
            for (auto* button : box.buttons())
                if (button->text() == loadText(TextId::RunWithPosts))
                    button->click();
        });
        child<QAction>(*w.form, "trialRunAction")->trigger();
        check(posts.finished(), "the test run did not ask about its POST step");
    }
    waitFor([&] { return !panel.isTrialRunning() && !panel.lastRun().isEmpty(); },
            "the test run did not end");
    auto* results = w.form->findChild<TrialRunResultsWindow*>();
    check(results && results->isVisible(), "the results window did not open");
    child<QTableView>(*results, "resultsTable")->selectRow(2);
    settle();
    save(results->grab(), file("results"));
    results->close();

    // Keep: the Save to File dialog, in a folder of its own, with its password box.
    {
        QTemporaryDir scratch;
        const QString folder = scratch.filePath(QStringLiteral("monitors"));
        QDir().mkpath(folder);
        QFile earlier(folder + QStringLiteral("/login.waytrace.json"));
        check(earlier.open(QIODevice::WriteOnly), "cannot write a file to show");
        earlier.close();
        ModalAnswer<QFileDialog> keep([&](QFileDialog& dialog) {
            dialog.setSidebarUrls(
                {QUrl::fromLocalFile(QDir::homePath()), QUrl::fromLocalFile(folder)});
            dialog.setDirectory(folder);
            dialog.selectFile(QStringLiteral("shop.waytrace.json"));
            settle();
            save(dialog.grab(), file("keep"));
            dialog.reject();
        });
        child<QAction>(*w.form, "saveFileAction")->trigger();
        check(keep.finished(), "the Save to File dialog did not show");
    }

    // Save: the dialog filled key by key, shot, and confirmed.
    ModalAnswer<UploadDialog> answer([&](UploadDialog& dialog) {
        retype(child<QLineEdit>(dialog, "sequenceNameEdit"),
               language == kJapanese ? QStringLiteral("\u30B7\u30E7\u30C3\u30D7\u306E\u6CE8\u6587")
                                     : QStringLiteral("Shop order"));
        retype(child<QLineEdit>(dialog, "pollIntervalEdit"), QStringLiteral("10"));
        retype(child<QLineEdit>(dialog, "hostEdit"), QStringLiteral("127.0.0.1"));
        retype(child<QLineEdit>(dialog, "portEdit"), QString::number(w.standin.port()));
        retype(child<QLineEdit>(dialog, "userEdit"), QStringLiteral("admin"));
        retype(child<QLineEdit>(dialog, "passwordEdit"), QStringLiteral("admin"));
        QTest::qWait(200);
        save(dialog.grab(), file("save"));
        QTest::mouseClick(child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>(*w.form, "saveButton"), Qt::LeftButton);
    check(answer.finished(), "the upload dialog did not show");
    waitFor([&] { return !w.messages.isEmpty(); }, "no answer from the stand-in server");
    check(w.form->sequence().count() == 0, "the server did not accept the sequence");
    const auto box = makeMessageBox(w.form.get(), w.messages[0].title, w.messages[0].text);
    box->show();
    settle();
    save(box->grab(), file("saved"));
    box->close();
}

} // namespace

int main(int argc, char* argv[])
{
    const EmptyHome home;
    keepCachesOffDisk();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: user_guide_shots FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    try {
        shoot(kEnglish, QStringLiteral("en"), folder);
        shoot(kJapanese, QStringLiteral("ja"), folder);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "user_guide_shots: %s\n", failure.what());
        return 1;
    }
    return home.check(0);
}
