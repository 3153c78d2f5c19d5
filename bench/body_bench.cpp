// The `velora body` path (message file bytes to reading text) on generated messages of about
// 1 MB (target: under 50 ms each in a release build) and on multipart/alternative parts nested
// 10,000, 20,000 and 120,000 (10 MB) deep (target: any message up to 10 MB under 1 s).
//
//   velora_bench_body                          run the benchmarks
//   velora_bench_body --generate-nested DEPTH  write the nested message of that depth to standard
//                                              output (used by bench/time_body.sh)

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "benchmark_main.h"
#include "content/message_file_text.h"

namespace {

constexpr std::size_t kMessageBytes = 1 << 20;

std::string Paragraphs(std::size_t bytes) {
    static const std::string kSentence =
        "The quick brown fox, as the story goes, jumps over 12 lazy dogs before breakfast. ";
    std::string text;
    text.reserve(bytes + kSentence.size() + 2);
    int sentences = 0;
    while (text.size() < bytes) {
        text += kSentence;
        if (++sentences % 8 == 0) text += "\r\n\r\n";
    }
    return text;
}

std::string QuotedPrintable(const std::string& text) {
    std::string out;
    std::size_t column = 0;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            out += c;
            column = 0;
            continue;
        }
        if (column >= 72) {
            out += "=\r\n";
            column = 0;
        }
        if (c == '=') {
            out += "=3D";
            column += 3;
        } else {
            out += c;
            ++column;
        }
    }
    return out;
}

const std::string kHeaders =
    "From: Bench <bench@example.org>\r\nTo: you@example.org\r\nSubject: Large message\r\n"
    "Date: Sat, 05 Dec 2026 12:00:00 +0000\r\nMIME-Version: 1.0\r\n";

std::string PlainMessage() {
    return kHeaders + "Content-Type: text/plain; charset=utf-8\r\n\r\n" + Paragraphs(kMessageBytes);
}

std::string AlternativeQuotedPrintable() {
    const std::string text = Paragraphs(kMessageBytes / 2);
    return kHeaders + "Content-Type: multipart/alternative; boundary=\"b\"\r\n\r\n--b\r\n" +
           "Content-Type: text/plain; charset=iso-8859-1\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
           QuotedPrintable(text) + "\r\n--b\r\nContent-Type: text/html\r\n\r\n<p>" + text +
           "</p>\r\n--b--\r\n";
}

std::string HtmlOnly() {
    std::string html = "<html><body>";
    while (html.size() < kMessageBytes) {
        html += "<p>Fish &amp; chips at <b>the caf&eacute;</b>, &pound;9&nbsp;each.</p>\r\n";
    }
    return kHeaders + "Content-Type: text/html; charset=utf-8\r\n\r\n" + html + "</body></html>";
}

std::string MixedWithAttachment() {
    std::string attachment;
    while (attachment.size() < kMessageBytes) {
        attachment +=
            "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAx\r\n";
    }
    return kHeaders + "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\n" +
           "Content-Type: text/plain\r\n\r\nSee the attachment.\r\n--m\r\n" +
           "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           attachment + "--m--\r\n";
}

// Cut off before its closing delimiter: decoded twice (the retry).
std::string TruncatedAlternative() {
    return kHeaders + "Content-Type: multipart/alternative; boundary=\"t\"\r\n\r\n--t\r\n" +
           "Content-Type: text/plain\r\n\r\n" + Paragraphs(kMessageBytes);
}

// Alternatives nested `depth` deep around one plain part: far below the depth the decoding
// follows, so what it costs is parsing the structure.
std::string NestedAlternatives(long long depth) {
    std::string message = kHeaders;
    for (long long level = 0; level < depth; ++level) {
        const std::string boundary = "=_" + std::to_string(level);
        message += "Content-Type: multipart/alternative; boundary=\"" + boundary + "\"\r\n\r\n--" +
                   boundary + "\r\n";
    }
    message += "Content-Type: text/plain\r\n\r\nThe text at the bottom.\r\n";
    for (long long level = depth - 1; level >= 0; --level) {
        message += "--=_" + std::to_string(level) + "--\r\n";
    }
    return message;
}

void Run(benchmark::State& state, const std::string& message) {
    for (auto _ : state) {
        velora::platform::Bstr text = velora::content::ReadingTextOfMessageFile(message);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(message.size()));
}

void BM_BodyPlain1MB(benchmark::State& state) {
    Run(state, PlainMessage());
}
void BM_BodyAlternativeQuotedPrintable1MB(benchmark::State& state) {
    Run(state, AlternativeQuotedPrintable());
}
void BM_BodyHtmlOnly1MB(benchmark::State& state) {
    Run(state, HtmlOnly());
}
void BM_BodyMixedWithAttachment1MB(benchmark::State& state) {
    Run(state, MixedWithAttachment());
}
void BM_BodyTruncatedRetry1MB(benchmark::State& state) {
    Run(state, TruncatedAlternative());
}
void BM_BodyNestedAlternatives(benchmark::State& state) {
    Run(state, NestedAlternatives(state.range(0)));
}

BENCHMARK(BM_BodyPlain1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyAlternativeQuotedPrintable1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyHtmlOnly1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyMixedWithAttachment1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyTruncatedRetry1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BodyNestedAlternatives)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(120000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return velora::bench::RunBenchmarksOrGenerate(
        argc, argv, "--generate-nested", "depth",
        [](long long count) { return NestedAlternatives(count); });
}
