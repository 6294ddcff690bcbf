#include "i18n/catalogue.h"

#include <fstream>
#include <sstream>

#include "base/text_util.h"
#include "base/paths.h"
#include "tolm/host_error.h"
#include "tolm/host_library.h"

namespace hub {

bool IsSupportedLanguage(std::string_view code) {
    return code == LanguageChs || code == LanguageEn || code == LanguageCht;
}

namespace {

constexpr const char* Source = "Catalogue";

class PoReader {
public:
    PoReader(std::string_view text, const std::string& origin) : m_text(text), m_origin(origin) {}

    std::vector<Catalogue::Entry> Read() {
        if (m_text.starts_with("\xEF\xBB\xBF")) m_text.remove_prefix(3);
        size_t start = 0;
        while (start <= m_text.size()) {
            size_t end = m_text.find('\n', start);
            if (end == std::string_view::npos) end = m_text.size();
            std::string_view line = m_text.substr(start, end - start);
            if (line.ends_with('\r')) line.remove_suffix(1);
            ++m_lineNumber;
            ReadLine(line);
            if (end == m_text.size()) break;
            start = end + 1;
        }
        Flush();
        return std::move(m_entries);
    }

private:
    enum class Field { None, Context, Id, IdPlural, Str, StrOther };

    [[noreturn]] void Fail(const std::string& why) const {
        throw tolm::HostError(tolm::err::InvalidProcedureCall,
                              m_origin + ":" + std::to_string(m_lineNumber) + ": " + why, Source);
    }

    void ReadLine(std::string_view raw) {
        const std::string_view line = Trim(raw);
        if (line.empty()) return;
        if (line.front() == '#') {
            // A comment opens the next entry: the one before is complete.
            if (m_hasStr) Flush();
            if (line.starts_with("#,")) {
                std::string_view flags = line.substr(2);
                while (!flags.empty()) {
                    const size_t comma = flags.find(',');
                    if (Trim(flags.substr(0, comma)) == "fuzzy") m_fuzzy = true;
                    if (comma == std::string_view::npos) break;
                    flags.remove_prefix(comma + 1);
                }
            }
            return;
        }
        if (line.front() == '"') {
            if (m_field == Field::None) Fail("text without a keyword before it");
            Append(ParseString(line));
            return;
        }
        const size_t space = line.find_first_of(" \t");
        if (space == std::string_view::npos) Fail("keyword without text");
        const std::string_view keyword = line.substr(0, space);
        const std::string value = ParseString(Trim(line.substr(space)));
        if (keyword == "msgctxt") {
            if (m_hasId) Flush();
            m_context = value;
            m_field = Field::Context;
        } else if (keyword == "msgid") {
            if (m_hasId) Flush();
            m_hasId = true;
            m_entryLine = m_lineNumber;
            m_id = value;
            m_field = Field::Id;
        } else if (keyword == "msgid_plural") {
            if (!m_hasId) Fail("msgid_plural without msgid");
            m_field = Field::IdPlural;
        } else if (keyword == "msgstr" || keyword == "msgstr[0]") {
            if (!m_hasId) Fail("msgstr without msgid");
            m_hasStr = true;
            m_str = value;
            m_field = Field::Str;
        } else if (keyword.starts_with("msgstr[")) {
            // Further plural forms: the host shows the singular only.
            if (!m_hasStr) Fail("plural msgstr without msgstr[0]");
            m_field = Field::StrOther;
        } else {
            Fail("unknown keyword " + std::string(keyword));
        }
    }

    void Append(const std::string& value) {
        switch (m_field) {
            case Field::Context: m_context += value; break;
            case Field::Id: m_id += value; break;
            case Field::Str: m_str += value; break;
            case Field::IdPlural:
            case Field::StrOther:
            case Field::None: break;
        }
    }

    // A quoted string with C escapes; nothing but blanks may follow it.
    std::string ParseString(std::string_view text) const {
        if (text.empty() || text.front() != '"') Fail("a quoted text was expected");
        std::string out;
        size_t i = 1;
        for (;; ++i) {
            if (i >= text.size()) Fail("unterminated text");
            const char c = text[i];
            if (c == '"') break;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++i >= text.size()) Fail("unterminated text");
            switch (text[i]) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '\'': out += '\''; break;
                case '?': out += '?'; break;
                case 'a': out += '\a'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'v': out += '\v'; break;
                default: Fail(std::string("unknown escape \\") + text[i]);
            }
        }
        if (!Trim(text.substr(i + 1)).empty()) Fail("text after the closing quote");
        return out;
    }

    void Flush() {
        if (m_hasId) {
            if (!m_hasStr) {
                m_lineNumber = m_entryLine;
                Fail("msgid without msgstr");
            }
            if (!m_id.empty()) {
                m_entries.push_back({m_context, m_id, m_str, m_fuzzy, m_entryLine});
            }
        }
        m_context.clear();
        m_id.clear();
        m_str.clear();
        m_hasId = m_hasStr = m_fuzzy = false;
        m_field = Field::None;
    }

    std::string_view m_text;
    const std::string& m_origin;
    int m_lineNumber = 0;
    std::vector<Catalogue::Entry> m_entries;
    Field m_field = Field::None;
    std::string m_context;
    std::string m_id;
    std::string m_str;
    bool m_hasId = false;
    bool m_hasStr = false;
    bool m_fuzzy = false;
    int m_entryLine = 0;
};

}  // namespace

Catalogue Catalogue::Parse(std::string_view text, const std::string& origin) {
    Catalogue catalogue;
    catalogue.m_entries = PoReader(text, origin).Read();
    for (const Entry& entry : catalogue.m_entries) {
        if (entry.fuzzy || entry.msgstr.empty()) continue;
        // The first usable entry of a msgid wins, whatever its context.
        catalogue.m_translations.emplace(entry.msgid, entry.msgstr);
    }
    return catalogue;
}

Catalogue Catalogue::Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw tolm::HostError(tolm::err::FileNotFound, "Cannot read the catalogue " + path.string(), Source);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), path.string());
}

std::optional<std::string> Catalogue::Find(std::string_view msgid) const {
    auto found = m_translations.find(std::string(msgid));
    if (found == m_translations.end()) return std::nullopt;
    return found->second;
}

CatalogueSet::CatalogueSet(std::filesystem::path directory) : m_directory(std::move(directory)) {}

std::shared_ptr<const Catalogue> CatalogueSet::Get(const std::string& language) const {
    std::lock_guard lock(m_mutex);
    auto found = m_catalogues.find(language);
    if (found != m_catalogues.end()) return found->second;
    // The code becomes part of a file name: only plain codes are looked up.
    if (language.empty() || language.find_first_not_of("abcdefghijklmnopqrstuvwxyz_") != std::string::npos) {
        throw tolm::HostError(tolm::err::InvalidProcedureCall, "Invalid language code \"" + language + "\"", Source);
    }
    auto catalogue = std::make_shared<const Catalogue>(Catalogue::Load(m_directory / (language + ".po")));
    m_catalogues.emplace(language, catalogue);
    return catalogue;
}

std::optional<std::string> CatalogueSet::Find(const std::string& language, std::string_view msgid) const {
    try {
        return Get(language)->Find(msgid);
    } catch (const tolm::HostError&) {
        return std::nullopt;
    }
}

CatalogueSet& HostCatalogues() {
    // One set per data directory: a program pointed elsewhere (TOLM_DATA_DIR) reads
    // that directory's catalogues, and a set once handed out stays valid.
    static std::mutex mutex;
    static auto* sets = new std::map<std::filesystem::path, std::unique_ptr<CatalogueSet>>;
    const std::filesystem::path directory = DataDirectory() / "i18n";
    std::lock_guard lock(mutex);
    std::unique_ptr<CatalogueSet>& set = (*sets)[directory];
    if (!set) set = std::make_unique<CatalogueSet>(directory);
    return *set;
}

std::string Translate(const std::string& language, const std::string& chineseText) {
    if (language == LanguageChs) return chineseText;
    return HostCatalogues().Find(language, chineseText).value_or(chineseText);
}

std::string TranslateFormat(const std::string& language, const std::string& chineseTemplate,
                            const tolm::VariantArray& values) {
    return tolm::TemplateFiller().FillMessage(Translate(language, chineseTemplate), values);
}

}  // namespace hub
