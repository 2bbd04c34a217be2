#pragma once

#include "core/Hashtable.h"
#include "core/String.h"

#include <functional>
#include <memory>
#include <string>

namespace lang {
class ByteArray;
class Vector;
} // namespace lang

namespace platform {
class SettingsDocument;
class SettingsFile;
} // namespace platform

namespace engine {

// The settings and score store of one game: typed values kept under the
// vendor's key for the game, a local high-score table per mode, and a credits
// counter.
//
// A value name may hold backslashes: the part before the last one names a
// subkey of the game key, the part after it the value. Every read sees what
// any copy of the game last wrote; every write is on disk when it returns.
// Errors are silent: a failed read yields the default, a failed write changes
// nothing (the setters report it to callers that care). Safe to call from
// several threads; each call holds the object's monitor.
class User : public lang::Object {
    LANG_CLASS(User, lang::Object);

    static constexpr const char* vendorKey = "Lumora";
    static constexpr int scoresPerMode = 10;
    static constexpr int chunkSize = 4096;
    static constexpr int maxStringLength = 1023;
    static constexpr int defaultCredits = 500000;

    User();
    ~User() override;
    User(const User&) = delete;
    User& operator=(const User&) = delete;

    // Closes any open key, opens the game's key and loads credits and scores.
    virtual void open(const char* gameKey);
    // As open, with the settings file at `path` instead of the user's data
    // folder: a headless game keeps its settings apart from the player's.
    virtual void openFile(const std::string& path, const char* gameKey);
    virtual int getInt(const char* name, int defaultValue);
    virtual bool setInt(const char* name, int value);
    // A new string owned by the caller: the value (first maxStringLength
    // bytes), else a copy of defaultValue, or null when that is null.
    virtual lang::Ref<lang::String> getString(const char* name, const char* defaultValue);
    virtual bool setString(const char* name, const char* value);
    // Deletes the value; when there is none, the subkey of that name.
    virtual bool remove(const char* name);
    virtual bool setBinary(const char* name, const lang::ByteArray& bytes);
    // Stores pieces of at most chunkSize bytes as values "0", "1", ... of the
    // subkey called name; pieces left over from a longer earlier blob go.
    virtual bool setChunkedBinary(const char* name, const lang::ByteArray& bytes);
    // True and the bytes when the value exists; bytes is left alone otherwise.
    virtual bool getBinary(const char* name, lang::ByteArray& bytes);
    // Concatenates pieces 0, 1, ... up to the first missing one; true when
    // piece 0 exists.
    virtual bool getChunkedBinary(const char* name, lang::ByteArray& bytes);
    // Appends the names of the game key's subkeys to names as new strings.
    virtual void listSubKeys(lang::Vector& names);
    virtual void loadScores();
    // Stores the prefix of the score values, ending it with "\" when it does
    // not (an empty prefix stays empty).
    virtual void setScorePrefix(const char* prefix);
    // Enters a score in the mode's table; returns its rank (0 is best) or -1
    // when it does not make the table. An equal score ranks below the older.
    // The tables are first read again from the file, under its write lock, so
    // the scores other copies of the game added meanwhile rank and stay too.
    virtual int addScore(const char* name, const char* mode, int level, int score, int setting);
    virtual int addScore(const char* name, int level, int score, int setting);
    // A new string: the entry's name, or "" when there is no such entry.
    virtual lang::Ref<lang::String> getScoreName(const char* mode, int index);
    virtual lang::Ref<lang::String> getScoreName(int index);
    virtual int getScoreLevel(const char* mode, int index);
    virtual int getScoreLevel(int index);
    // The entry's score, or -1 when there is no such entry.
    virtual int getScore(const char* mode, int index);
    virtual int getScore(int index);
    virtual void removeScoreMode(const char* mode);
    virtual void clearScores();
    virtual int getScoreSetting(const char* mode, int index);
    virtual int getCredits();
    virtual int getCreditsOrDefault();
    virtual int addCredits(int n);
    virtual int subtractCredits(int n);
    virtual void resetCredits();
    virtual int reserved() { return 0; }

    // Writes every table (the first scoresPerMode entries of each) in one
    // change of the file.
    void saveScores();

    // The settings file in use, or "" when no key is open or none can be had.
    const char* getSettingsPath() const;
    int getStoredCount() const { return storedCount; }

private:
    using Change = std::function<bool(platform::SettingsDocument&)>;
    bool write(const Change& change);
    // The current content; empty when the file is missing, unreadable or
    // cannot be parsed.
    void read(platform::SettingsDocument& doc) const;
    void close();
    lang::Vector* tableOf(const char* mode) const;
    std::string scoreName(const char* field, int n) const;
    // Replaces the tables in memory with those stored in doc.
    void takeScores(const platform::SettingsDocument& doc);
    // Ranks a score into the tables in memory; its rank or -1.
    int insertScore(const char* name, const char* mode, int level, int score, int setting);
    void putScores(platform::SettingsDocument& doc) const;
    int savedEntryCount() const;
    void deleteStoredScores(platform::SettingsDocument& doc) const;

    std::unique_ptr<platform::SettingsFile> key;
    lang::Ref<lang::Hashtable> scoreTables;
    lang::String scorePrefix;
    int32_t storedCount = 0;
    int32_t credits = 0;
};

} // namespace engine
