// What recording costs a page load: the same page with 30 frames and 20 forms, loaded by a bare
// view and by the recording browser (interceptor, capture script in every frame, recording
// rule), in the same run. Every iteration loads the page in both, so both see the same engine
// and caches; each benchmark times one of them. Also what a recorded step costs in memory.

#include "page_server.h"
#include "ratio_report.h"

#include "core/recorded_sequence.h"
#include "recording/recorder.h"
#include "webengine/webengine_browser.h"
#include "webengine/webengine_session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdint>
#include <iterator>
#include <memory>

#include <unistd.h>

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

// A page with a form that posts to the next such page, as a web application's pages are: a few
// kilobytes of text, or about `kilobytes` of prose whose word triples are mostly new (what a step
// keeps of its page must not grow with it).
QByteArray walkPage(int kilobytes)
{
    QByteArray page = "<!doctype html><meta charset=utf-8><title>walk</title><form method=post "
                      "action=/walk" +
                      QByteArray::number(kilobytes) +
                      "><input type=hidden name=token value=0123456789abcdef>"
                      "<input name=q value=next></form>";
    if (kilobytes == 0) {
        for (int i = 0; i < 40; ++i)
            page += "<p>Line " + QByteArray::number(i) + " of an ordinary page, words to read.</p>";
        return page;
    }
    static const char* const kWords[] = {"order", "cart",   "price", "ships", "within", "days",
                                         "the",   "a",      "stock", "item",  "review", "your",
                                         "total", "update", "color", "size",  "return", "free"};
    std::uint32_t state = 1;
    while (page.size() < kilobytes * 1024) {
        page += "<p>";
        for (int word = 0; word < 12; ++word) {
            state = state * 1103515245U + 12345U;
            page += kWords[(state >> 16) % std::size(kWords)];
            page += ' ';
        }
        page += "</p>";
    }
    return page;
}

// Resident memory of this process, which is the engine's browser process too, in KiB.
double residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const auto fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024;
}

struct Browsers
{
    // The page and its frames; the walk's pages.
    bench::PageServer server{[page = framedPage(), walk = walkPage(0), walk50 = walkPage(50),
                              walk200 = walkPage(200)](const QByteArray& head) {
        if (head.contains(" /walk50"))
            return walk50;
        if (head.contains(" /walk200"))
            return walk200;
        if (head.contains(" /walk"))
            return walk;
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
                                     sequence, QStringLiteral("http://127.0.0.1:1/help"), request))
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
// view, arg 1 a recording session and browser (its first load waits until its inspector
// listens). Each iteration makes both afresh.
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

// Start-up to the first page, as a user sees it: a fresh process starts the engine and loads
// the page, with a bare view (arg 0) or a recording session and browser (arg 1). The engine's
// start is in both; the recording browser's first load waits for its inspector.
void BM_StartUpToFirstPage(benchmark::State& state)
{
    const auto mode = state.range(0) == 1 ? QStringLiteral("recording") : QStringLiteral("bare");
    for (auto _ : state) {
        const auto url = browsers->server.url(QStringLiteral("/frame"), ++browsers->loads);
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--first-page-child"), mode, url});
        // The parent's loop serves the page meanwhile.
        QEventLoop loop;
        QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        if (child.state() != QProcess::NotRunning || child.exitCode() != 0) {
            state.SkipWithError("the child did not load its page");
            break;
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}

// The child of BM_StartUpToFirstPage: exits 0 once the page loaded.
int firstPageChild(const QString& mode, const QUrl& url)
{
    const auto loaded = [](QWebEnginePage& page, QWidget& view) {
        view.resize(800, 600);
        view.show();
        QObject::connect(&page, &QWebEnginePage::loadFinished,
                         [](bool ok) { QCoreApplication::exit(ok ? 0 : 1); });
        return QApplication::exec();
    };
    if (mode == u"bare") {
        QWebEngineProfile profile;
        QWebEnginePage page(&profile);
        QWebEngineView view;
        view.setPage(&page);
        page.load(url);
        return loaded(page, view);
    }
    const auto session = waytrace::WebEngineSession::create();
    waytrace::WebEngineBrowser browser(session);
    browser.navigate(url.toString());
    return loaded(*browser.page(), *browser.widget());
}

// Each page's form posted by the page itself, `steps` times; what the process grew by, per step.
double growthPerStep(QWebEnginePage& page, const QUrl& start, int steps)
{
    timedLoad(page, start);
    const auto submitted = [&page] {
        QEventLoop loop;
        QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        page.runJavaScript(QStringLiteral("document.forms[0].submit()"));
        loop.exec();
    };
    for (int i = 0; i < 30; ++i) // the engine's caches and pools settle first
        submitted();
    const double before = residentKiB();
    for (int i = 0; i < steps; ++i)
        submitted();
    return (residentKiB() - before) / steps;
}

// Arg 0 a bare view, arg 1 a recording browser and its recorder (the sequence, the pages seen);
// the second arg the pages' size in kilobytes (0: a few). The counter is the process's growth a
// step. Each makes its browser afresh.
void BM_MemoryPerStep(benchmark::State& state)
{
    constexpr int kSteps = 1000;
    for (auto _ : state) {
        const auto start = QUrl(
            browsers->server.url(QStringLiteral("/walk%1").arg(state.range(1)), ++browsers->loads));
        double growth = 0;
        if (state.range(0) == 1) {
            const auto session = waytrace::WebEngineSession::create();
            waytrace::WebEngineBrowser browser(session);
            waytrace::Recorder recorder(QStringLiteral("http://127.0.0.1:1/help"));
            recorder.listen(browser);
            growth = growthPerStep(*browser.page(), start, kSteps);
            if (recorder.sequence().count() < kSteps)
                state.SkipWithError("the steps were not recorded");
        } else {
            QWebEngineProfile profile;
            QWebEnginePage page(&profile);
            growth = growthPerStep(page, start, kSteps);
        }
        state.counters["KiB_per_step"] = growth;
    }
}

BENCHMARK(BM_MemoryPerStep)
    ->ArgsProduct({{0, 1}, {0, 50, 200}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK(BM_FirstPage)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_StartUpToFirstPage)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(4)
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
    if (argc == 4 && qstrcmp(argv[1], "--first-page-child") == 0)
        return firstPageChild(QString::fromLocal8Bit(argv[2]),
                              QUrl(QString::fromLocal8Bit(argv[3])));
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
        status = bench::runWithRatios(
            argc, argv,
            {{"recording / bare view, 30 frames and 20 forms",
              "BM_FramedPageLoad/1/iterations:6/repeats:7/manual_time",
              "BM_FramedPageLoad/0/iterations:6/repeats:7/manual_time", 1.10},
             {"recording / bare view, a browser's first page",
              "BM_FirstPage/1/iterations:5/repeats:3/manual_time",
              "BM_FirstPage/0/iterations:5/repeats:3/manual_time", 1.10},
             {"recording / bare view, start-up to the first page",
              "BM_StartUpToFirstPage/1/iterations:4/repeats:3/manual_time",
              "BM_StartUpToFirstPage/0/iterations:4/repeats:3/manual_time", 1.10}});
        browsers = nullptr;
    }
    return status;
}
