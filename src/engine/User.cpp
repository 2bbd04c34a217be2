#include "engine/User.h"

#include "core/ByteArray.h"
#include "core/Vector.h"
#include "engine/ScoreEntry.h"
#include "platform/SettingsDocument.h" // settings and scores are kept in the
#include "platform/SettingsFile.h"     // platform's locked settings file

#include <algorithm>
#include <string_view>

using lang::Ref;
using lang::String;
using lang::Synchronized;
using platform::SettingsDocument;
using platform::SettingsType;
using platform::SettingsValue;

namespace engine {

namespace {

constexpr const char* creditsName = "CREDITS";

// "a\b\c" names value "c" of subkey "a\b"; without a backslash the value sits
// in the game key itself.
struct ValueName {
    std::string_view keyPath;
    std::string_view value;
};

ValueName split(std::string_view name) {
    size_t slash = name.rfind('\\');
    if (slash == std::string_view::npos)
        return {{}, name};
    return {name.substr(0, slash), name.substr(slash + 1)};
}

const SettingsValue* findValue(const SettingsDocument& doc, std::string_view name) {
    ValueName n = split(name);
    return doc.find(n.keyPath, n.value);
}

const SettingsValue* findTyped(const SettingsDocument& doc, std::string_view name,
                               SettingsType type) {
    const SettingsValue* v = findValue(doc, name);
    return v && v->type == type ? v : nullptr;
}

void putValue(SettingsDocument& doc, std::string_view name, SettingsValue value) {
    ValueName n = split(name);
    value.name = std::string(n.value);
    doc.set(n.keyPath, std::move(value));
}

bool removeValue(SettingsDocument& doc, std::string_view name) {
    ValueName n = split(name);
    return doc.removeValue(n.keyPath, n.value);
}

SettingsValue dwordValue(int value) {
    SettingsValue v;
    v.type = SettingsType::Dword;
    v.number = static_cast<uint32_t>(value);
    return v;
}

SettingsValue stringValue(const char* text) {
    SettingsValue v;
    v.type = SettingsType::String;
    v.bytes = text ? text : "";
    return v;
}

SettingsValue binaryValue(const uint8_t* bytes, size_t count) {
    SettingsValue v;
    v.type = SettingsType::Binary;
    v.bytes.assign(reinterpret_cast<const char*>(bytes), count);
    return v;
}

int intOf(const SettingsDocument& doc, std::string_view name, int defaultValue) {
    const SettingsValue* v = findTyped(doc, name, SettingsType::Dword);
    return v ? static_cast<int32_t>(v->number) : defaultValue;
}

std::string stringOf(const SettingsDocument& doc, std::string_view name) {
    const SettingsValue* v = findTyped(doc, name, SettingsType::String);
    return v ? v->bytes : std::string();
}

std::string pieceName(std::string_view name, int piece) {
    return std::string(name) + "\\" + std::to_string(piece);
}

void copyBytes(const std::string& from, lang::ByteArray& to) {
    to.setSize(static_cast<int>(from.size()));
    std::copy(from.begin(), from.end(), to.bytes());
}

} // namespace

User::User() : scoreTables(lang::adopt(new lang::Hashtable)) {}

User::~User() {
    close();
}

const char* User::getSettingsPath() const {
    return key ? key->getPath().c_str() : "";
}

void User::close() {
    if (key && credits != 0)
        setInt(creditsName, credits);
    key.reset();
}

void User::open(const char* gameKey) {
    std::string game = gameKey ? gameKey : "";
    openFile(platform::SettingsFile::pathFor(vendorKey, game.c_str()), gameKey);
}

void User::openFile(const std::string& path, const char* gameKey) {
    Synchronized guard(this);
    close();
    std::string game = gameKey ? gameKey : "";
    key = std::make_unique<platform::SettingsFile>(path, game);
    credits = getInt(creditsName, 0);
    loadScores();
}

void User::read(SettingsDocument& doc) const {
    doc.clear();
    if (key)
        key->read(doc);
}

bool User::write(const Change& change) {
    return key && key->update(change);
}

int User::getInt(const char* name, int defaultValue) {
    if (!name)
        return defaultValue;
    Synchronized guard(this);
    SettingsDocument doc;
    read(doc);
    return intOf(doc, name, defaultValue);
}

bool User::setInt(const char* name, int value) {
    if (!name)
        return false;
    Synchronized guard(this);
    return write([&](SettingsDocument& doc) {
        putValue(doc, name, dwordValue(value));
        return true;
    });
}

Ref<String> User::getString(const char* name, const char* defaultValue) {
    Synchronized guard(this);
    SettingsDocument doc;
    read(doc);
    const SettingsValue* v = name ? findTyped(doc, name, SettingsType::String) : nullptr;
    if (v)
        return lang::adopt(new String(v->bytes.substr(0, maxStringLength).c_str()));
    return defaultValue ? lang::adopt(new String(defaultValue)) : nullptr;
}

bool User::setString(const char* name, const char* value) {
    if (!name)
        return false;
    Synchronized guard(this);
    return write([&](SettingsDocument& doc) {
        putValue(doc, name, stringValue(value));
        return true;
    });
}

bool User::remove(const char* name) {
    if (!name)
        return false;
    Synchronized guard(this);
    bool removed = false;
    bool stored = write([&](SettingsDocument& doc) {
        ValueName n = split(name);
        removed = doc.removeValue(n.keyPath, n.value) || doc.removeKey(name);
        return removed;
    });
    return stored && removed;
}

bool User::setBinary(const char* name, const lang::ByteArray& bytes) {
    if (!name)
        return false;
    Synchronized guard(this);
    Synchronized bytesGuard(&bytes);
    return write([&](SettingsDocument& doc) {
        putValue(doc, name, binaryValue(bytes.bytes(), static_cast<size_t>(bytes.size())));
        return true;
    });
}

bool User::setChunkedBinary(const char* name, const lang::ByteArray& bytes) {
    if (!name)
        return false;
    Synchronized guard(this);
    Synchronized bytesGuard(&bytes);
    return write([&](SettingsDocument& doc) {
        size_t total = static_cast<size_t>(bytes.size());
        // An empty blob is still one (empty) piece, so it reads back as present.
        int pieces = 0;
        for (size_t at = 0; at < total || pieces == 0; at += chunkSize, ++pieces) {
            size_t count = std::min<size_t>(chunkSize, total - std::min(at, total));
            putValue(doc, pieceName(name, pieces), binaryValue(bytes.bytes() + at, count));
        }
        // Pieces beyond the new end would otherwise be read back as part of it.
        for (int extra = pieces;; ++extra) {
            if (!removeValue(doc, pieceName(name, extra)))
                break;
        }
        return true;
    });
}

bool User::getBinary(const char* name, lang::ByteArray& bytes) {
    if (!name)
        return false;
    Synchronized guard(this);
    SettingsDocument doc;
    read(doc);
    const SettingsValue* v = findTyped(doc, name, SettingsType::Binary);
    if (!v)
        return false;
    copyBytes(v->bytes, bytes);
    return true;
}

bool User::getChunkedBinary(const char* name, lang::ByteArray& bytes) {
    if (!name)
        return false;
    Synchronized guard(this);
    SettingsDocument doc;
    read(doc);
    std::string all;
    int piece = 0;
    for (;; ++piece) {
        const SettingsValue* v = findTyped(doc, pieceName(name, piece), SettingsType::Binary);
        if (!v)
            break;
        all += v->bytes;
    }
    if (piece == 0)
        return false;
    copyBytes(all, bytes);
    return true;
}

void User::listSubKeys(lang::Vector& names) {
    Synchronized guard(this);
    SettingsDocument doc;
    read(doc);
    for (const std::string& n : doc.subKeyNames(""))
        names.addElement(lang::adopt(new String(n.c_str())).get());
}

std::string User::scoreName(const char* field, int n) const {
    return std::string(scorePrefix.getChars()) + field + std::to_string(n);
}

lang::Vector* User::tableOf(const char* mode) const {
    return lang::cast<lang::Vector>(scoreTables->get(mode ? mode : ""));
}

void User::loadScores() {
    Synchronized guard(this);
    SettingsDocument doc;
    read(doc);
    takeScores(doc);
}

void User::takeScores(const SettingsDocument& doc) {
    scoreTables->clear();
    int n = 0;
    for (;; ++n) {
        int score = intOf(doc, scoreName("SCORE", n), -1);
        if (score == -1)
            break;
        std::string mode = stringOf(doc, scoreName("SCOREMODE", n));
        lang::Vector* table = tableOf(mode.c_str());
        if (!table) {
            auto fresh = lang::adopt(new lang::Vector(scoresPerMode));
            scoreTables->put(mode.c_str(), fresh.get());
            table = fresh.get();
        }
        auto entry = lang::adopt(new ScoreEntry(stringOf(doc, scoreName("SCORENAME", n)).c_str(),
                                                score, intOf(doc, scoreName("LEVEL", n), 0),
                                                intOf(doc, scoreName("SCORESETTING", n), 0)));
        table->addElement(entry.get());
    }
    storedCount = n;
}

void User::setScorePrefix(const char* prefix) {
    Synchronized guard(this);
    scorePrefix.assign(prefix ? prefix : "");
    if (!scorePrefix.isEmpty() && !scorePrefix.endsWith("\\"))
        scorePrefix.append("\\");
}

void User::putScores(SettingsDocument& doc) const {
    int n = 0;
    auto modes = scoreTables->keys();
    while (modes->hasMoreElements()) {
        auto* mode = lang::cast<String>(modes->nextElement());
        auto* table = lang::cast<lang::Vector>(scoreTables->get(mode));
        for (int i = 0; i < table->size() && i < scoresPerMode; ++i, ++n) {
            auto* entry = lang::cast<ScoreEntry>(table->elementAt(i));
            putValue(doc, scoreName("SCORENAME", n), stringValue(entry->name.getChars()));
            putValue(doc, scoreName("SCOREMODE", n), stringValue(mode->getChars()));
            putValue(doc, scoreName("SCORE", n), dwordValue(entry->score));
            putValue(doc, scoreName("LEVEL", n), dwordValue(entry->level));
            putValue(doc, scoreName("SCORESETTING", n), dwordValue(entry->setting));
        }
    }
}

int User::savedEntryCount() const {
    int n = 0;
    auto modes = scoreTables->keys();
    while (modes->hasMoreElements()) {
        auto* table = lang::cast<lang::Vector>(scoreTables->get(modes->nextElement()));
        n += std::min(table->size(), scoresPerMode);
    }
    return n;
}

void User::deleteStoredScores(SettingsDocument& doc) const {
    static constexpr const char* fields[] = {"SCORENAME", "SCOREMODE", "SCORE", "LEVEL",
                                             "SCORESETTING"};
    // Past our own count too: another copy of the game may have stored more.
    for (int n = 0; n < storedCount || findValue(doc, scoreName("SCORE", n)); ++n) {
        for (const char* field : fields)
            removeValue(doc, scoreName(field, n));
    }
}

void User::saveScores() {
    Synchronized guard(this);
    write([&](SettingsDocument& doc) {
        putScores(doc);
        return true;
    });
    storedCount = savedEntryCount();
}

int User::insertScore(const char* name, const char* mode, int level, int score, int setting) {
    lang::Vector* table = tableOf(mode);
    if (!table) {
        auto fresh = lang::adopt(new lang::Vector(scoresPerMode));
        scoreTables->put(mode ? mode : "", fresh.get());
        table = fresh.get();
    }
    int rank = 0;
    while (rank < table->size() && lang::cast<ScoreEntry>(table->elementAt(rank))->score >= score)
        ++rank;
    if (rank >= scoresPerMode)
        return -1;
    auto entry = lang::adopt(new ScoreEntry(name, score, level, setting));
    table->insertElementAt(entry.get(), rank);
    // Only the best scoresPerMode are kept; a longer table would hand out
    // ranks for scores that are never stored.
    while (table->size() > scoresPerMode)
        table->removeElementAt(table->size() - 1);
    return rank;
}

int User::addScore(const char* name, const char* mode, int level, int score, int setting) {
    Synchronized guard(this);
    // Another copy of the game may have added scores since this one loaded its tables: writing
    // ours whole would drop them. So the stored tables are read again under the file's write
    // lock and the score is ranked among them.
    int rank = -1;
    bool merged = false;
    bool stored = write([&](SettingsDocument& doc) {
        takeScores(doc);
        merged = true;
        rank = insertScore(name, mode, level, score, setting);
        if (rank < 0)
            return false;
        deleteStoredScores(doc);
        putScores(doc);
        return true;
    });
    if (stored && rank >= 0)
        storedCount = savedEntryCount();
    // Without a usable file the tables live in memory only, as before.
    if (!merged)
        rank = insertScore(name, mode, level, score, setting);
    return rank;
}

int User::addScore(const char* name, int level, int score, int setting) {
    return addScore(name, "", level, score, setting);
}

Ref<String> User::getScoreName(const char* mode, int index) {
    Synchronized guard(this);
    lang::Vector* table = tableOf(mode);
    if (!table || index < 0 || index >= table->size())
        return lang::adopt(new String(""));
    return lang::adopt(new String(lang::cast<ScoreEntry>(table->elementAt(index))->name));
}

Ref<String> User::getScoreName(int index) {
    return getScoreName("", index);
}

int User::getScoreLevel(const char* mode, int index) {
    Synchronized guard(this);
    lang::Vector* table = tableOf(mode);
    if (!table || index < 0 || index >= table->size())
        return 0;
    return lang::cast<ScoreEntry>(table->elementAt(index))->level;
}

int User::getScoreLevel(int index) {
    return getScoreLevel("", index);
}

int User::getScore(const char* mode, int index) {
    Synchronized guard(this);
    lang::Vector* table = tableOf(mode);
    if (!table || index < 0 || index >= table->size())
        return -1;
    return lang::cast<ScoreEntry>(table->elementAt(index))->score;
}

int User::getScore(int index) {
    return getScore("", index);
}

int User::getScoreSetting(const char* mode, int index) {
    Synchronized guard(this);
    lang::Vector* table = tableOf(mode);
    if (!table || index < 0 || index >= table->size())
        return 0;
    return lang::cast<ScoreEntry>(table->elementAt(index))->setting;
}

void User::removeScoreMode(const char* mode) {
    Synchronized guard(this);
    auto modeName = lang::adopt(new String(mode ? mode : ""));
    // As in addScore: the other modes' tables as stored now, not as this copy last saw them.
    bool merged = false;
    write([&](SettingsDocument& doc) {
        takeScores(doc);
        merged = true;
        if (!tableOf(mode))
            return false;
        scoreTables->remove(modeName.get());
        deleteStoredScores(doc);
        putScores(doc);
        return true;
    });
    if (!merged)
        scoreTables->remove(modeName.get());
    storedCount = savedEntryCount();
}

void User::clearScores() {
    Synchronized guard(this);
    write([&](SettingsDocument& doc) {
        deleteStoredScores(doc);
        return true;
    });
    scoreTables->clear();
    storedCount = 0;
}

int User::getCredits() {
    Synchronized guard(this);
    return credits;
}

int User::getCreditsOrDefault() {
    Synchronized guard(this);
    if (credits == 0)
        credits = defaultCredits;
    return credits;
}

int User::addCredits(int n) {
    Synchronized guard(this);
    credits = static_cast<int32_t>(static_cast<uint32_t>(credits) + static_cast<uint32_t>(n));
    return credits;
}

int User::subtractCredits(int n) {
    Synchronized guard(this);
    credits = static_cast<int32_t>(static_cast<uint32_t>(credits) - static_cast<uint32_t>(n));
    return credits;
}

void User::resetCredits() {
    Synchronized guard(this);
    credits = defaultCredits;
}

} // namespace engine
