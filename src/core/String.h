#pragma once

#include "core/Object.h"

namespace lang {

// Mutable 8-bit string in the ANSI code page (1252), always zero-terminated.
// Capacity is a multiple of 16 above the length; a capacity of 0 means the
// characters are not owned (none, or a borrowed literal that the first change
// copies). Text is capped at maxLength characters: operations that would build
// longer text keep only the first maxLength characters.
class String : public Object {
    LANG_CLASS(String, Object);

    static constexpr int maxLength = 65519;

    String() = default;
    String(const String& other);
    String(const String& other, int minCapacity);
    String(const char* text, bool borrow = false);
    String(const char* text, int start, int end);
    String(char c, int minCapacity);
    explicit String(int value);
    explicit String(double value);
    String(String&& other) noexcept;
    String& operator=(const String& other);
    ~String() override;

    void assign(const char* text);
    void assign(const String& other);
    void assign(int value);
    void append(const char* text);
    void append(const String& other);
    void append(int value);
    void append(char c);
    void ensureCapacity(int bytes);

    // New strings owned by the caller.
    Ref<String> substring(int start) const;
    Ref<String> substring(int start, int end) const;
    Ref<String> urlCanonical() const;
    static Ref<String> concat(const String& a, const String& b);
    static Ref<String> concat(const String& a, const char* b);

    bool startsWith(const char* prefix) const;
    bool endsWith(const char* suffix) const;
    bool equals(const String& other) const;
    bool equals(const char* text) const;
    bool equalsIgnoreCase(const String& other) const;
    bool equalsIgnoreCase(const char* text) const;
    int indexOf(char c) const;
    int lastIndexOf(char c) const;
    void formatThousands(int value);
    // As formatThousands, with an explicit separator (0 for none).
    void formatThousands(int value, char separator);

    int hashCode() const override;
    bool equals(const Object* other) const override;
    Ref<String> toString() const override;

    const char* getChars() const { return chars ? chars : ""; }
    int getLength() const { return length; }
    int getCapacity() const { return capacity; }
    bool isEmpty() const { return length == 0; }
    char charAt(int i) const { return getChars()[i]; }

private:
    void setText(const char* text, int count);
    void appendText(const char* text, int count);
    void reallocate(int bytes, bool keep);

    char* chars = nullptr;
    int32_t capacity = 0;
    int32_t length = 0;
};

// Characters allowed in a player's name: ASCII letters and digits, space, '-',
// '.', and the codes 192 to 255.
bool isNameChar(int c);

// The global lock taken around string buffer (re)allocation.
Object& stringLock();

} // namespace lang
