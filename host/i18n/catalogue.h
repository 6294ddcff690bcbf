// Translation catalogues: the texts of the plug-in and of the host in one language,
// keyed by the Simplified-Chinese text as it is written in the code.
//
// A catalogue is read straight from its .po file and kept in its own object; the
// process's locale and the gettext machinery are never touched, so several
// languages can be served side by side (one session in English, a test in
// Traditional Chinese).
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tolm/variant.h"

namespace hub {

// The languages a session can use.
inline constexpr const char* LanguageChs = "chs";
inline constexpr const char* LanguageEn = "en";
inline constexpr const char* LanguageCht = "cht";

// True for "chs", "en" and "cht".
bool IsSupportedLanguage(std::string_view code);

class Catalogue {
public:
    struct Entry {
        std::string context;  // msgctxt; read but not used for lookups
        std::string msgid;
        std::string msgstr;
        bool fuzzy = false;
        int line = 0;  // where the entry's msgid stands in the file
    };

    Catalogue() = default;

    // Reads a catalogue from .po text. `origin` names the text in error messages.
    // Raises HostError(InvalidProcedureCall) naming the origin and the line for text
    // that is not a catalogue (a stray line, an unknown escape, an unterminated
    // string, a msgstr without msgid).
    static Catalogue Parse(std::string_view text, const std::string& origin);
    // Reads a .po file; raises FileNotFound when it cannot be read, and as Parse.
    static Catalogue Load(const std::filesystem::path& path);

    // The translation of a msgid; nothing when the catalogue has no usable entry
    // (absent, fuzzy or with an empty msgstr). The header entry (msgid "") is never
    // found.
    std::optional<std::string> Find(std::string_view msgid) const;

    // Every entry as written, the header excluded, fuzzy and empty ones included.
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, std::string> m_translations;
};

// Catalogues of one directory (<directory>/<language>.po), each read on first use
// and kept. Safe to use from several threads.
class CatalogueSet {
public:
    explicit CatalogueSet(std::filesystem::path directory);

    const std::filesystem::path& Directory() const { return m_directory; }
    // The catalogue of a language; raises as Catalogue::Load when its file is
    // missing or damaged (and tries again at the next call).
    std::shared_ptr<const Catalogue> Get(const std::string& language) const;
    // The translation, or nothing when there is no catalogue or no entry.
    std::optional<std::string> Find(const std::string& language, std::string_view msgid) const;

private:
    std::filesystem::path m_directory;
    mutable std::mutex m_mutex;
    mutable std::map<std::string, std::shared_ptr<const Catalogue>> m_catalogues;
};

// The catalogues the host ships: those of DataDirectory()/i18n.
CatalogueSet& HostCatalogues();

// A host message in a language: "chs" gives the text itself; a language or entry
// that the catalogues lack gives the text too, so a message is always shown.
std::string Translate(const std::string& language, const std::string& chineseText);
// Translate, then fill %1..%n from the values (element 0 fills %1).
std::string TranslateFormat(const std::string& language, const std::string& chineseTemplate,
                            const tolm::VariantArray& values);

}  // namespace hub
