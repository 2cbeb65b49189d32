// What recording costs a page load: the same page with 30 frames and 20 forms, loaded by a bare
// view and by the recording browser (interceptor, capture script in every frame, recording
// rule), in the same run. Every iteration loads the page in both, so both see the same engine
// and caches; each benchmark times one of them.

#include "page_server.h"
#include "ratio_report.h"

#include "core/recorded_sequence.h"
#include "recording/recorder.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

namespace {

constexpr int kFrames = 30;
constexpr int kForms = 20;

QByteArray framedPage()
{
    QByteArray page = "<!doctype html><meta charset=utf-8><title>frames</title>";
    for (int i = 0; i < kForms; ++i)
        page += "<form method=post action=/post" + QByteArray::number(i) +
                "><input name=q value=1><textarea name=t>x</textarea><button>go</button></form>";
    for (int i = 0; i < kFrames; ++i)
        page += "<iframe src=/frame?i=" + QByteArray::number(i) + "></iframe>";
    return page;
}

// Milliseconds until the top page and all its frames have loaded.
double timedLoad(QWebEnginePage& page, const QUrl& url)
{
    QEventLoop loop;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    page.load(url);
    loop.exec();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

struct Browsers
{
    // The page and its frames.
    bench::PageServer server{[page = framedPage()](const QByteArray& head) {
        return head.startsWith("GET /frame") ? QByteArray("<!doctype html><title>f</title><form "
                                                          "method=post action=/f><input name=a "
                                                          "value=b></form>")
                                             : page;
    }};
    QWebEngineProfile bareProfile; // off the record, nothing installed
    QWebEnginePage bare{&bareProfile};
    QWebEngineView bareView; // shows the page as the recording browser's view does
    std::shared_ptr<waytrace::WebEngineSession> session = waytrace::WebEngineSession::create();
    std::unique_ptr<waytrace::WebEngineBrowser> recording =
        std::make_unique<waytrace::WebEngineBrowser>(session);
    waytrace::RecordedSequence sequence;
    int loads = 0;

    Browsers()
    {
        bareView.setPage(&bare);
        for (auto* view : {static_cast<QWidget*>(&bareView), recording->widget()}) {
            view->resize(800, 600);
            view->show();
        }
        QObject::connect(recording.get(), &waytrace::Browser::beforeNavigate2,
                         [this](waytrace::NavigationRequest& request) {
                             if (waytrace::recordNavigation(
                                     sequence, QStringLiteral("http://127.0.0.1:1/help"),
                                     request.url(), request.headers(), request.postData()))
                                 request.cancel();
                         });
    }
    ~Browsers() { recording.reset(); }
};

Browsers* browsers = nullptr;

// Arg 0 times the bare view, arg 1 the recording browser; both load the page each iteration.
void BM_FramedPageLoad(benchmark::State& state)
{
    const bool timeRecording = state.range(0) == 1;
    for (auto _ : state) {
        const auto url = QUrl(browsers->server.url(QStringLiteral("/page"), ++browsers->loads));
        // Each goes first every other time: neither gains from coming second.
        const bool bareFirst = browsers->loads % 2 == 0;
        const double first =
            timedLoad(bareFirst ? browsers->bare : *browsers->recording->page(), url);
        const double second =
            timedLoad(bareFirst ? *browsers->recording->page() : browsers->bare, url);
        const double bare = bareFirst ? first : second;
        const double recording = bareFirst ? second : first;
        state.SetIterationTime(timeRecording ? recording : bare);
        browsers->sequence.clear();
    }
}

// A browser's first page, from making the browser to the page's load: arg 0 a bare profile and
// view, arg 1 a recording session and browser (before Qt 6.7 its first load waits until the
// engine tells its bodies). Each iteration makes both afresh.
void BM_FirstPage(benchmark::State& state)
{
    const bool timeRecording = state.range(0) == 1;
    for (auto _ : state) {
        const auto url = QUrl(browsers->server.url(QStringLiteral("/frame"), ++browsers->loads));
        QElapsedTimer timer;
        timer.start();
        double seconds = 0;
        if (timeRecording) {
            const auto session = waytrace::WebEngineSession::create();
            waytrace::WebEngineBrowser browser(session);
            QEventLoop loop;
            QObject::connect(browser.page(), &QWebEnginePage::loadFinished, &loop,
                             &QEventLoop::quit);
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            browser.navigate(url.toString());
            loop.exec();
            seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        } else {
            QWebEngineProfile profile;
            QWebEnginePage page(&profile);
            timedLoad(page, url);
            seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9; // the making counts too
        }
        state.SetIterationTime(seconds);
    }
}

BENCHMARK(BM_FirstPage)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_FramedPageLoad)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(6)
    ->Repetitions(7)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int status = 0;
    {
        Browsers running;
        browsers = &running;
        // The first loads start the engine's processes: not part of what is measured.
        for (int i = 0; i < 3; ++i) {
            timedLoad(running.bare,
                      QUrl(running.server.url(QStringLiteral("/page"), --running.loads)));
            timedLoad(*running.recording->page(),
                      QUrl(running.server.url(QStringLiteral("/page"), running.loads)));
        }
        status =
            bench::runWithRatios(argc, argv,
                                 {{"recording / bare view, 30 frames and 20 forms",
                                   "BM_FramedPageLoad/1/iterations:6/repeats:7/manual_time",
                                   "BM_FramedPageLoad/0/iterations:6/repeats:7/manual_time", 1.10},
                                  {"recording / bare view, a browser's first page",
                                   "BM_FirstPage/1/iterations:5/repeats:3/manual_time",
                                   "BM_FirstPage/0/iterations:5/repeats:3/manual_time", 1.10}});
        browsers = nullptr;
    }
    return status;
}
