#pragma once

// What a page showed when it was recorded, kept with its step so that a replay can be compared
// with it: its status, where it ended up, its title, and a fingerprint of its text: enough to
// tell another page from it, not the page.

#include "html_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace waytrace {

// The smallest hashes of the text's word triples (a bottom-k sketch): two texts share about
// as many of them as they share triples.
using TextFingerprint = std::vector<std::uint32_t>;
inline constexpr std::size_t kFingerprintSize = 64;

struct SeenPage
{
    int status = 0; // 0: not known
    std::u16string finalUrl;
    std::u16string title;
    TextFingerprint fingerprint;
    // Its first lines of text, shortened: what a difference in the text quotes.
    std::vector<std::u16string> lines;

    friend bool operator==(const SeenPage&, const SeenPage&) = default;
};

inline constexpr std::size_t kSeenLines = 12;
inline constexpr std::size_t kSeenLineLength = 160;

TextFingerprint textFingerprint(std::u16string_view text);

// From 0 (nothing shared) to 1 (alike); 1 when either has no text to compare.
double fingerprintSimilarity(const TextFingerprint& a, const TextFingerprint& b);
// How much of the text of `part` the text of `whole` holds, from 0 to 1: 1 for a text and the
// same text with more added to it.
double fingerprintContainment(const TextFingerprint& part, const TextFingerprint& whole);

// The page an answer shows, from its HTML read once, or from the HTML itself.
SeenPage seenPageOf(int status, std::u16string finalUrl, const HtmlReading& page);
SeenPage seenPageOf(int status, std::u16string finalUrl, std::u16string_view html);

// How a replayed page differs from the one the user saw.
struct PageDifference
{
    enum class Kind
    {
        Status,
        Address, // the final address, values that change per visit aside
        Title,
        Text, // the texts share too little; `saw` and `got` the first lines one lacks of the other
    } kind;
    std::u16string saw;
    std::u16string got;
    int alikePercent = 0; // Text: how many of the phrases the two have in common, in percent

    friend bool operator==(const PageDifference&, const PageDifference&) = default;
};

// Below this share of the replay's word triples found in what the user saw, two texts are
// different pages.
inline constexpr double kAlikeText = 0.5;
// Texts with fewer triples are not compared: a page that a script fills shows little of its
// text in the HTML the server sends.
inline constexpr std::size_t kComparableText = 4;

std::vector<PageDifference> comparePages(const SeenPage& saw, const SeenPage& got);

} // namespace waytrace
