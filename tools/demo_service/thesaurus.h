// The demo service's small built-in thesaurus and the two text rewrites it
// drives.
#pragma once

#include <string>
#include <string_view>

namespace zorapi::demo {

// Marks each word that has synonyms as "{word|syn1|syn2}", listing at most
// maxsyns synonyms (all of them when maxsyns is 0 or less).
std::string MarkSynonyms(std::string_view text, int maxsyns);

// Replaces each word that has synonyms by everyone's favourite of its group.
std::string ReplaceByFavorites(std::string_view text);

}  // namespace zorapi::demo
