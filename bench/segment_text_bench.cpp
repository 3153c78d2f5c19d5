// SegmentText throughput on generated prose of 100 KB, 1 MB and 10 MB.
//
//   velora_bench_segment_text                     run the benchmarks (MB/s in bytes_per_second)
//   velora_bench_segment_text --generate BYTES    write BYTES of the same prose to standard output
//                                                 (used by bench/time_document.sh)
//
// The prose is deterministic: sentences of varied length with commas, semicolons, questions and
// exclamations, abbreviations, numbers with decimal points, years, phone numbers, hyphenated words
// and dashes, e-mail and web addresses, rows of punctuation, line breaks and paragraphs, and a few
// accented words.

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "benchmark_main.h"
#include "platform/base/text_codec.h"
#include "reader/segment_text.h"

namespace {

class ProseGenerator {
  public:
    std::string Generate(std::size_t bytes) {
        std::string text;
        text.reserve(bytes + 256);
        while (text.size() < bytes) AppendParagraph(text);
        text.resize(bytes);
        // Never end inside a UTF-8 sequence.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80) {
            text.pop_back();
        }
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xc0) text.pop_back();
        return text;
    }

  private:
    std::uint32_t Below(std::uint32_t n) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state_ >> 33) % n;
    }

    void AppendWord(std::string& text) {
        static const char* const kWords[] = {
            "the",    "reader",   "message",     "and",          "of",
            "a",      "to",       "in",          "is",           "that",
            "it",     "for",      "was",         "on",           "with",
            "as",     "meeting",  "report",      "tomorrow",     "project",
            "please", "thanks",   "budget",      "team",         "schedule",
            "review", "draft",    "attached",    "we",           "you",
            "they",   "would",    "could",       "should",       "have",
            "been",   "quickly",  "through",     "between",      "every",
            "number", "question", "caf\xc3\xa9", "na\xc3\xafve", "r\xc3\xa9sum\xc3\xa9"};
        static const char* const kSpecial[] = {"Mr.",
                                               "Dr.",
                                               "U.S.",
                                               "etc.",
                                               "3.5",
                                               "1.25",
                                               "2003",
                                               "555-1234",
                                               "well-known",
                                               "e-mail",
                                               "--",
                                               "-",
                                               "alice@example.com",
                                               "www.example.org",
                                               "http://example.net/x",
                                               "\"quoted\"",
                                               "(see",
                                               "below)",
                                               "!!!!!",
                                               "=====",
                                               "42",
                                               "O'Brien"};
        if (Below(12) == 0) {
            text += kSpecial[Below(std::size(kSpecial))];
        } else {
            const char* word = kWords[Below(std::size(kWords))];
            if (capitalise_) {
                text += static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
                text += word + 1;
            } else {
                text += word;
            }
        }
        capitalise_ = false;
    }

    void AppendSentence(std::string& text) {
        capitalise_ = true;
        const std::uint32_t words = 4 + Below(18);
        for (std::uint32_t i = 0; i < words; ++i) {
            AppendWord(text);
            if (i + 1 < words) {
                const std::uint32_t pick = Below(20);
                if (pick == 0) {
                    text += ",";
                } else if (pick == 1) {
                    text += ";";
                } else if (pick == 2) {
                    text += ":";
                }
                text += Below(40) == 0 ? "\r\n" : (Below(30) == 0 ? "  " : " ");
            }
        }
        static const char* const kEnds[] = {".", ".", ".", ".", "!", "?", "...", "?!", "....."};
        text += kEnds[Below(std::size(kEnds))];
    }

    void AppendParagraph(std::string& text) {
        const std::uint32_t sentences = 1 + Below(7);
        for (std::uint32_t i = 0; i < sentences; ++i) {
            AppendSentence(text);
            text += i + 1 < sentences ? " " : "";
        }
        text += Below(5) == 0 ? "\r\n\r\n\r\n" : "\r\n\r\n";
    }

    std::uint64_t state_ = 20261205;
    bool capitalise_ = true;
};

void BM_SegmentText(benchmark::State& state) {
    const std::string prose = ProseGenerator().Generate(static_cast<std::size_t>(state.range(0)));
    const std::u16string text = velora::platform::DecodeUtf8(prose);
    std::size_t documentSize = 0;
    for (auto _ : state) {
        const std::u16string document = velora::reader::SegmentText(text);
        documentSize = document.size();
        benchmark::DoNotOptimize(document.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(prose.size()));
    state.counters["document_units"] = static_cast<double>(documentSize);
}
BENCHMARK(BM_SegmentText)
    ->Arg(100 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(10 * 1024 * 1024)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return velora::bench::RunBenchmarksOrGenerate(
        argc, argv, "--generate", "byte count",
        [](long long count) { return ProseGenerator().Generate(static_cast<std::size_t>(count)); });
}
