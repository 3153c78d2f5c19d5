#include "content/html_to_text.h"

#include <iterator>
#include <new>

#include "platform/base/ascii_case.h"

namespace velora::content {
namespace {

struct Entity {
    std::u16string_view name;     // "&Agrave;"
    std::u16string_view decimal;  // "&#192;"
    char16_t code;
};

// Searched in this order: the four markup characters, then the Latin-1 set by code point.
constexpr Entity kEntities[] = {
    {u"&quot;", u"&#34;", 34},     {u"&amp;", u"&#38;", 38},      {u"&lt;", u"&#60;", 60},
    {u"&gt;", u"&#62;", 62},       {u"&nbsp;", u"&#160;", 160},   {u"&iexcl;", u"&#161;", 161},
    {u"&cent;", u"&#162;", 162},   {u"&pound;", u"&#163;", 163},  {u"&curren;", u"&#164;", 164},
    {u"&yen;", u"&#165;", 165},    {u"&brvbar;", u"&#166;", 166}, {u"&sect;", u"&#167;", 167},
    {u"&uml;", u"&#168;", 168},    {u"&copy;", u"&#169;", 169},   {u"&ordf;", u"&#170;", 170},
    {u"&laquo;", u"&#171;", 171},  {u"&not;", u"&#172;", 172},    {u"&shy;", u"&#173;", 173},
    {u"&reg;", u"&#174;", 174},    {u"&macr;", u"&#175;", 175},   {u"&deg;", u"&#176;", 176},
    {u"&plusmn;", u"&#177;", 177}, {u"&sup2;", u"&#178;", 178},   {u"&sup3;", u"&#179;", 179},
    {u"&acute;", u"&#180;", 180},  {u"&micro;", u"&#181;", 181},  {u"&para;", u"&#182;", 182},
    {u"&middot;", u"&#183;", 183}, {u"&cedil;", u"&#184;", 184},  {u"&sup1;", u"&#185;", 185},
    {u"&ordm;", u"&#186;", 186},   {u"&raquo;", u"&#187;", 187},  {u"&frac14;", u"&#188;", 188},
    {u"&frac12;", u"&#189;", 189}, {u"&frac34;", u"&#190;", 190}, {u"&iquest;", u"&#191;", 191},
    {u"&Agrave;", u"&#192;", 192}, {u"&Aacute;", u"&#193;", 193}, {u"&Acirc;", u"&#194;", 194},
    {u"&Atilde;", u"&#195;", 195}, {u"&Auml;", u"&#196;", 196},   {u"&Aring;", u"&#197;", 197},
    {u"&AElig;", u"&#198;", 198},  {u"&Ccedil;", u"&#199;", 199}, {u"&Egrave;", u"&#200;", 200},
    {u"&Eacute;", u"&#201;", 201}, {u"&Ecirc;", u"&#202;", 202},  {u"&Euml;", u"&#203;", 203},
    {u"&Igrave;", u"&#204;", 204}, {u"&Iacute;", u"&#205;", 205}, {u"&Icirc;", u"&#206;", 206},
    {u"&Iuml;", u"&#207;", 207},   {u"&ETH;", u"&#208;", 208},    {u"&Ntilde;", u"&#209;", 209},
    {u"&Ograve;", u"&#210;", 210}, {u"&Oacute;", u"&#211;", 211}, {u"&Ocirc;", u"&#212;", 212},
    {u"&Otilde;", u"&#213;", 213}, {u"&Ouml;", u"&#214;", 214},   {u"&times;", u"&#215;", 215},
    {u"&Oslash;", u"&#216;", 216}, {u"&Ugrave;", u"&#217;", 217}, {u"&Uacute;", u"&#218;", 218},
    {u"&Ucirc;", u"&#219;", 219},  {u"&Uuml;", u"&#220;", 220},   {u"&Yacute;", u"&#221;", 221},
    {u"&THORN;", u"&#222;", 222},  {u"&szlig;", u"&#223;", 223},  {u"&agrave;", u"&#224;", 224},
    {u"&aacute;", u"&#225;", 225}, {u"&acirc;", u"&#226;", 226},  {u"&atilde;", u"&#227;", 227},
    {u"&auml;", u"&#228;", 228},   {u"&aring;", u"&#229;", 229},  {u"&aelig;", u"&#230;", 230},
    {u"&ccedil;", u"&#231;", 231}, {u"&egrave;", u"&#232;", 232}, {u"&eacute;", u"&#233;", 233},
    {u"&ecirc;", u"&#234;", 234},  {u"&euml;", u"&#235;", 235},   {u"&igrave;", u"&#236;", 236},
    {u"&iacute;", u"&#237;", 237}, {u"&icirc;", u"&#238;", 238},  {u"&iuml;", u"&#239;", 239},
    {u"&eth;", u"&#240;", 240},    {u"&ntilde;", u"&#241;", 241}, {u"&ograve;", u"&#242;", 242},
    {u"&oacute;", u"&#243;", 243}, {u"&ocirc;", u"&#244;", 244},  {u"&otilde;", u"&#245;", 245},
    {u"&ouml;", u"&#246;", 246},   {u"&divide;", u"&#247;", 247}, {u"&oslash;", u"&#248;", 248},
    {u"&ugrave;", u"&#249;", 249}, {u"&uacute;", u"&#250;", 250}, {u"&ucirc;", u"&#251;", 251},
    {u"&uuml;", u"&#252;", 252},   {u"&yacute;", u"&#253;", 253}, {u"&thorn;", u"&#254;", 254},
    {u"&yuml;", u"&#255;", 255},
};
static_assert(std::size(kEntities) == 100);

bool EndsCandidate(char16_t unit) {
    return unit == u' ' || unit == u'\r' || unit == u'\n';
}

}  // namespace

char16_t EntityCode(std::u16string_view candidate) {
    // Every form ends with a semicolon; anything else is no entity.
    if (candidate.size() < 4 || candidate.back() != u';') return 0;
    char16_t firstMatch = 0;
    for (const Entity& entity : kEntities) {
        if (entity.decimal == candidate) return entity.code;
        if (!platform::EqualsIgnoringAsciiCase(entity.name, candidate)) continue;
        // Names that differ only in case come in pairs, capital first: an exact match wins,
        // otherwise the first of the pair.
        if (entity.name == candidate) return entity.code;
        if (firstMatch == 0) firstMatch = entity.code;
    }
    return firstMatch;
}

std::optional<std::u16string> HtmlToText(std::u16string_view html) {
    if (const std::size_t end = html.find(u'\0'); end != std::u16string_view::npos) {
        html = html.substr(0, end);
    }
    std::u16string text;
    try {
        text.reserve(html.size());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::size_t position = 0;
    while (position < html.size()) {
        const char16_t unit = html[position];
        if (unit == u'<') {
            const std::size_t close = html.find(u'>', position + 1);
            position = close == std::u16string_view::npos ? html.size() : close + 1;
            continue;
        }
        if (unit == u'&') {
            std::size_t length = 1;
            while (length < kMaxEntityCandidate && position + length < html.size()) {
                const char16_t last = html[position + length - 1];
                if (last == u';') break;
                if (EndsCandidate(last)) break;
                ++length;
            }
            if (const char16_t code = EntityCode(html.substr(position, length)); code != 0) {
                text.push_back(code);
                position += length;
                continue;
            }
        }
        text.push_back(unit);
        ++position;
    }
    return text;
}

}  // namespace velora::content
