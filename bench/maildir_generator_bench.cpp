// velora_bench_maildir_generator DIR COUNT [SEED]: writes COUNT messages into the Maildir DIR
// (made if missing), the same files for the same COUNT and SEED every time. The messages look like
// real mail: names from a pool, encoded-word subjects, Received and Date headers spread over four
// years, plain, quoted-printable and multipart bodies of 0.5 to 4 KB, one in ten with a PDF
// attachment, three in five read, one in twenty still in new/.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class Random {
  public:
    explicit Random(std::uint64_t seed)
        : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }
    template <std::size_t N>
    const char* Pick(const char* const (&items)[N]) {
        return items[Below(static_cast<std::uint32_t>(N))];
    }

  private:
    std::uint64_t state_;
};

constexpr const char* kFirstNames[] = {"Anna",  "Ben",  "Chloé", "David", "Eva",   "Farid",
                                       "Grete", "Hiro", "Ines",  "Jonas", "Kavya", "Lars",
                                       "Mei",   "Noor", "Olga",  "Pablo", "Quinn", "Rosa"};
constexpr const char* kLastNames[] = {"Berg",   "Costa",  "Dubois",   "Eriksen", "Fischer",
                                      "García", "Hansen", "Ito",      "Jensen",  "Kowalski",
                                      "López",  "Müller", "Nakamura", "Olsen",   "Petrov"};
constexpr const char* kDomains[] = {"example.org", "example.com", "mail.example.net",
                                    "lists.example.org"};
constexpr const char* kWords[] = {
    "meeting", "report", "quarterly", "update",   "the",      "release", "plan",  "notes",
    "review",  "budget", "draft",     "schedule", "question", "about",   "your",  "project",
    "invoice", "travel", "lunch",     "tomorrow", "build",    "failure", "fixed", "patch"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::string Sentence(Random& random, int words) {
    std::string text;
    for (int i = 0; i < words; ++i) {
        if (i > 0) text += ' ';
        text += random.Pick(kWords);
    }
    if (!text.empty()) text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

std::string Body(Random& random, std::size_t size) {
    std::string body;
    while (body.size() < size) {
        body += Sentence(random, 6 + static_cast<int>(random.Below(10))) + ". ";
        if (random.Below(4) == 0)
            body += "\n\n";
        else if (random.Below(3) == 0)
            body += "\n";
    }
    return body + "\n";
}

std::string Message(Random& random, std::uint32_t index) {
    const std::string first = random.Pick(kFirstNames);
    const std::string last = random.Pick(kLastNames);
    // Built piece by piece (GCC 12 at -O3 warns falsely about a chain of + on a one-letter
    // string), drawing the random numbers in the order the earlier expression drew them, so a
    // seed still makes the same folder.
    const std::string domain = random.Pick(kDomains);
    const std::string number = std::to_string(random.Below(900));
    std::string address(1, static_cast<char>('a' + random.Below(26)));
    address += number;
    address += '@';
    address += domain;
    // Four years of mail, minute resolution.
    const std::uint32_t minutes = random.Below(4 * 365 * 24 * 60);
    const std::uint32_t day = minutes / (24 * 60);
    char date[64];
    std::snprintf(date, sizeof date, "%s, %u %s %u %02u:%02u:00 +0000", kDays[day % 7],
                  1 + (day % 28), kMonths[(day / 28) % 12], 2021 + day / 365, (minutes / 60) % 24,
                  minutes % 60);
    std::string text;
    text += "Return-Path: <" + address + ">\n";
    text +=
        "Received: from mx.example.net (mx.example.net [192.0.2.1])\n\tby mail.example.org with "
        "ESMTPS id " +
        std::to_string(index) + ";\n\t" + date + "\n";
    text += "Message-ID: <" + std::to_string(index) + "." + std::to_string(random.Next()) +
            "@example.org>\n";
    text += "Date: " + std::string(date) + "\n";
    const bool encodedName = random.Below(5) == 0;
    text += "From: " +
            (encodedName ? "=?UTF-8?Q?" + first + "_" + last + "?="
                         : "\"" + first + " " + last + "\"") +
            " <" + address + ">\n";
    text += "To: Me <me@example.org>\n";
    std::string subject = Sentence(random, 2 + static_cast<int>(random.Below(7)));
    if (random.Below(10) == 0) subject = "=?UTF-8?B?w6TDtsO8?= " + subject;
    if (random.Below(4) == 0) subject = "Re: " + subject;
    text += "Subject: " + subject + "\n";
    text += "MIME-Version: 1.0\n";
    const std::size_t size = 400 + random.Below(3600);
    const std::uint32_t kind = random.Below(10);
    if (kind == 0) {
        text += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(index) + "\"\n\n";
        text += "--b" + std::to_string(index) + "\nContent-Type: text/plain; charset=utf-8\n\n" +
                Body(random, size);
        text +=
            "--b" + std::to_string(index) +
            "\nContent-Type: application/pdf; name=\"doc.pdf\"\nContent-Disposition: attachment; "
            "filename=\"doc.pdf\"\nContent-Transfer-Encoding: base64\n\n";
        for (int line = 0; line < 20; ++line)
            text += "JVBERi0xLjQKJcfsj6IKNSAwIG9iago8PC9MZW5ndGggNiAwIFIvRmlsdGVyIC9GbGF0\n";
        text += "--b" + std::to_string(index) + "--\n";
    } else if (kind <= 2) {
        text +=
            "Content-Type: multipart/alternative; boundary=\"a" + std::to_string(index) + "\"\n\n";
        const std::string body = Body(random, size / 2);
        text +=
            "--a" + std::to_string(index) + "\nContent-Type: text/plain; charset=utf-8\n\n" + body;
        text += "--a" + std::to_string(index) + "\nContent-Type: text/html; charset=utf-8\n\n<p>" +
                body + "</p>\n";
        text += "--a" + std::to_string(index) + "--\n";
    } else if (kind == 3) {
        text +=
            "Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: "
            "quoted-printable\n\n";
        text += "Gr=FC=DFe,\n\n" + Body(random, size);
    } else {
        text += "Content-Type: text/plain; charset=utf-8\n\n" + Body(random, size);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s DIR COUNT [SEED]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const long count = std::strtol(argv[2], nullptr, 10);
    const std::uint64_t seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1;
    if (count < 0) {
        std::fprintf(stderr, "COUNT must not be negative\n");
        return 2;
    }
    std::error_code error;
    for (const char* sub : {"cur", "new", "tmp"})
        std::filesystem::create_directories(root / sub, error);
    if (error) {
        std::fprintf(stderr, "%s: %s\n", root.c_str(), error.message().c_str());
        return 1;
    }
    Random random(seed);
    for (long i = 0; i < count; ++i) {
        const std::string text = Message(random, static_cast<std::uint32_t>(i));
        const bool unseen = random.Below(20) == 0;
        const bool read = !unseen && random.Below(5) < 3;
        char name[96];
        std::snprintf(name, sizeof name, "%ld.M%luP1Q%ld.bench%s", 1600000000L + i,
                      static_cast<unsigned long>(random.Below(1000000)), i,
                      unseen ? "" : (read ? ":2,S" : ":2,"));
        std::ofstream out(root / (unseen ? "new" : "cur") / name, std::ios::binary);
        out << text;
        if (!out) {
            std::fprintf(stderr, "%s: cannot write\n", (root / name).c_str());
            return 1;
        }
    }
    return 0;
}
