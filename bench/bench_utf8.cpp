// toUtf8 against QString::toUtf8 and glibc's iconv, on ASCII-heavy and on Japanese text.

#include "ratio_report.h"

#include "output/utf8.h"

#include <QString>

#include <iconv.h>

#include <string>

namespace {

std::u16string asciiHeavy()
{
    std::u16string text;
    while (text.size() < 1 << 20)
        text += u"<Url address=\"http://shop.example.com/list.do?cat=5&amp;sort=price\" "
                u"method=\"G\" displayname=\"Caf\u00E9 list\">\r";
    return text;
}

std::u16string japanese()
{
    std::u16string text;
    while (text.size() < 1 << 20)
        text += u"\u3053\u306E\u30DA\u30FC\u30B8\u306F\u5546\u54C1\u4E00\u89A7\u3067\u3059\u3002"
                u"\u30ED\u30B0\u30A4\u30F3\u3057\u3066\u304F\u3060\u3055\u3044 OK\r";
    return text;
}

const std::u16string& textFor(int kind)
{
    static const std::u16string ascii = asciiHeavy();
    static const std::u16string cjk = japanese();
    return kind == 0 ? ascii : cjk;
}

void BM_ToUtf8(benchmark::State& state)
{
    const auto& text = textFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto bytes = waytrace::toUtf8(text);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_QtToUtf8(benchmark::State& state)
{
    const auto text = QString::fromStdU16String(textFor(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        auto bytes = text.toUtf8();
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_Iconv(benchmark::State& state)
{
    const auto& text = textFor(static_cast<int>(state.range(0)));
    iconv_t converter = iconv_open("UTF-8", "UTF-16LE");
    for (auto _ : state) {
        std::string out(text.size() * 3, '\0');
        auto* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
        std::size_t inLeft = text.size() * 2;
        char* cursor = out.data();
        std::size_t outLeft = out.size();
        iconv(converter, &in, &inLeft, &cursor, &outLeft);
        out.resize(out.size() - outLeft);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(converter);
}

BENCHMARK(BM_ToUtf8)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtToUtf8)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Iconv)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runWithRatios(
        argc, argv,
        {
            {"toUtf8 / QString::toUtf8, ASCII-heavy", "BM_ToUtf8/0", "BM_QtToUtf8/0", 1.0},
            {"toUtf8 / QString::toUtf8, Japanese", "BM_ToUtf8/1", "BM_QtToUtf8/1", 1.5},
            {"toUtf8 / iconv, ASCII-heavy", "BM_ToUtf8/0", "BM_Iconv/0", 1.0},
            {"toUtf8 / iconv, Japanese", "BM_ToUtf8/1", "BM_Iconv/1", 1.0},
        });
}
