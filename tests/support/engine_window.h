#pragma once

// A main window on the real engine, headless, with its help page served by the stand-in server
// and every message box recorded instead of shown.

#include "empty_home.h"
#include "standin_process.h"

#include "app/engine_browsers.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/text.h"
#include "webengine/disk_caches.h"
#include "webengine/webengine_browser.h"
#include "webengine/webengine_session.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QWebEnginePage>

#include "named_child.h"
#include <memory>
#include <optional>

inline constexpr int kLoadTimeoutMs = 20000;

// Does something and waits until the browser reports the document at `url` complete.
template <typename Action>
bool loads(waytrace::Browser* browser, const QString& url, Action&& action)
{
    QSignalSpy completed(browser, &waytrace::Browser::documentComplete);
    action();
    const auto seen = [&] {
        for (const auto& arguments : completed)
            if (arguments.value(0).toString() == url)
                return true;
        return false;
    };
    for (int waited = 0; !seen() && waited < kLoadTimeoutMs; waited += 50)
        QTest::qWait(50);
    return seen();
}

struct RecordedMessage
{
    QString title;
    QString text;
};

class EngineWindow
{
public:
    explicit EngineWindow(int language = waytrace::kEnglish, const QStringList& standinArgs = {})
        : standin(standinArgs)
    {
        waytrace::forceInterfaceLanguage(language);
        previous_ = waytrace::setMessageBoxFunction(
            [this](QWidget*, const QString& title, const QString& text) {
                messages.append({title, text});
            });
        // Nobody is there to answer: what is recorded here may go.
        previousQuestion_ = waytrace::setSaveQuestionFunction(
            [](QWidget*, const QString&) { return waytrace::SaveAnswer::Discard; });
        helpUrl = standin.base() + QStringLiteral("/help/getting-started.html");
        session_ = waytrace::WebEngineSession::create();
        form = std::make_unique<waytrace::MainWindow>(waytrace::engineBrowsers(session_), helpUrl);
        form->show();
    }

    ~EngineWindow()
    {
        form.reset(); // the pages go before the session's profile
        session_.reset();
        waytrace::setMessageBoxFunction(previous_);
        waytrace::setSaveQuestionFunction(previousQuestion_);
        waytrace::forceInterfaceLanguage(std::nullopt);
    }

    EngineWindow(const EngineWindow&) = delete;
    EngineWindow& operator=(const EngineWindow&) = delete;

    // Runs a script in a browser's page, as a user's click would act.
    static void run(waytrace::Browser* browser, const QString& script)
    {
        static_cast<waytrace::WebEngineBrowser*>(browser)->page()->runJavaScript(script);
    }

    void typeAddress(const QString& address)
    {
        addressEdit()->selectAll();
        QTest::keyClicks(addressEdit(), address);
        QTest::keyClick(addressEdit(), Qt::Key_Return);
    }

    [[nodiscard]] QLineEdit* addressEdit() const { return child<QLineEdit>(*form, "addressEdit"); }
    [[nodiscard]] waytrace::Browser* pageBrowser() const
    {
        return child<waytrace::Browser>(*form, "pageBrowser");
    }

    StandinProcess standin;
    QString helpUrl;
    std::unique_ptr<waytrace::MainWindow> form;
    QList<RecordedMessage> messages;

private:
    std::shared_ptr<waytrace::WebEngineSession> session_;
    waytrace::MessageBoxFunction previous_;
    waytrace::SaveQuestionFunction previousQuestion_;
};

// Engine tests start as the program does, in an empty HOME that must stay empty through
// recording, saving and the stand-in server's work.
#define WAYTRACE_ENGINE_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        const EmptyHome home;                                                                      \
        waytrace::keepCachesOffDisk();                                                             \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        int status = 0;                                                                            \
        {                                                                                          \
            QApplication app(argc, argv);                                                          \
            TestClass test;                                                                        \
            status = QTest::qExec(&test, argc, argv);                                              \
        }                                                                                          \
        return home.check(status);                                                                 \
    }
