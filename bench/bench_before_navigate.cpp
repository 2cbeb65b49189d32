// The before-navigate path of the real browser, per request: what the adapter does when the
// engine announces a request (owner lookup, queue, body hand-over), the recording rule and the
// append, against the load of a small local page in the same engine, measured in the same run.

#include "page_server.h"
#include "ratio_report.h"

#include "core/recorded_sequence.h"
#include "navigation/form_body.h"
#include "navigation/navigation_queue.h"
#include "navigation/request_attribution.h"
#include "navigation/separate_bodies.h"
#include "recording/recorder.h"
#include "webengine/webengine_browser.h"
#include "webengine/webengine_session.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>

#include <memory>
#include <optional>
#include <utility>

namespace {

const QString kHelpUrl = QStringLiteral("http://localhost:9090/help/getting-started.html");

struct Engine
{
    std::shared_ptr<waytrace::WebEngineSession> session = waytrace::WebEngineSession::create();
    std::unique_ptr<waytrace::WebEngineBrowser> browser =
        std::make_unique<waytrace::WebEngineBrowser>(session);
    bench::PageServer server{[](const QByteArray&) {
        return QByteArray("<!doctype html><title>p</title><form method=post action=/next>"
                          "<input name=q value=1></form>");
    }};
    waytrace::RecordedSequence sequence;

    Engine()
    {
        QObject::connect(browser.get(), &waytrace::Browser::beforeNavigate2,
                         [this](waytrace::NavigationRequest& request) {
                             if (waytrace::recordNavigation(sequence, kHelpUrl, request))
                                 request.cancel();
                         });
    }
};

Engine* engine = nullptr;

// Arg 0: a GET; arg 1: a POST whose 1 KB form body the capture script reported first; arg 2:
// the same from a Shift_JIS page, where every byte of the Japanese text is escaped.
void BM_BeforeNavigate(benchmark::State& state)
{
    const bool post = state.range(0) >= 1;
    const bool shiftJis = state.range(0) == 2;
    const QUrl url(QStringLiteral("http://shop.example.com/catalogue/list.do?cat=5&sort=price"));
    QList<waytrace::FormEntry> entries;
    for (int i = 0; i < 16; ++i) {
        waytrace::FormEntry entry;
        entry.name = "field" + QByteArray::number(i);
        // 日本語 in Shift_JIS, nine times: 54 bytes that all need escaping.
        entry.value =
            shiftJis ? QByteArray("\x93\xFA\x96\x7B\x8C\xEA").repeated(9) : QByteArray(56, 'v');
        entry.value += " & 100%";
        entries.append(entry);
    }
    auto& session = *engine->session;
    auto* browser = engine->browser.get();
    std::int64_t count = 0;
    for (auto _ : state) {
        // As the engine hands it over: apart from its request before Qt 6.7, with it after.
        std::optional<waytrace::FormBody> sent;
        if (post)
            sent = waytrace::serializeForm(entries, waytrace::FormEncoding::UrlEncoded);
        if (auto* bodies = session.separateBodies(); bodies && sent)
            bodies->offerBody(url, *std::exchange(sent, std::nullopt));
        session.attribution().expectRequest(browser, url); // the page's navigation notice
        auto* owner = session.attribution().takeRequest(url, true).browser;
        benchmark::DoNotOptimize(session.queue().announce(owner, url, post, std::move(sent)));
        if (++count % 4096 == 0)
            engine->sequence.clear();
    }
    engine->sequence.clear();
    state.SetItemsProcessed(count);
}

void BM_PageLoad(benchmark::State& state)
{
    auto* page = engine->browser->page();
    int n = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(page, &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        engine->browser->navigate(engine->server.url(QStringLiteral("/page.html"), ++n));
        loop.exec();
    }
    engine->sequence.clear();
}

BENCHMARK(BM_BeforeNavigate)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
// Same unit as above: the ratios compare the reported times as they are.
BENCHMARK(BM_PageLoad)->Iterations(40)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int status = 0;
    {
        Engine running;
        engine = &running;
        status = bench::runWithRatios(argc, argv,
                                      {{"before-navigate GET / page load", "BM_BeforeNavigate/0",
                                        "BM_PageLoad/iterations:40", 0.01},
                                       {"before-navigate POST 1 KB / page load",
                                        "BM_BeforeNavigate/1", "BM_PageLoad/iterations:40", 0.01},
                                       {"before-navigate Shift_JIS POST 1 KB / page load",
                                        "BM_BeforeNavigate/2", "BM_PageLoad/iterations:40", 0.01}});
        engine = nullptr;
    }
    return status;
}
