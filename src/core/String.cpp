#include "core/String.h"

#include "platform/Locale.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lang {

namespace {

constexpr int maxCapacity = String::maxLength + 1; // 65,520: a multiple of 16

int capacityForLength(int n) {
    return (n + 16) & 0xFFF0;
}

int roundUp16(int bytes) {
    return std::min((bytes + 15) & ~15, maxCapacity);
}

int boundedLength(const char* text) {
    return static_cast<int>(strnlen(text, String::maxLength));
}

// The decimal digits of |value|, lowest first, into buf (at least 10 bytes);
// returns how many.
int reversedDigits(int value, char* buf) {
    long long v = value;
    if (v < 0)
        v = -v;
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    return n;
}

// Decimal form of value into buf (at least 12 bytes); returns the length.
int formatInt(int value, char* buf) {
    int n = reversedDigits(value, buf);
    if (value < 0)
        buf[n++] = '-';
    std::reverse(buf, buf + n);
    buf[n] = 0;
    return n;
}

char* allocate(int bytes) {
    Synchronized guard(&stringLock());
    return static_cast<char*>(std::malloc(bytes));
}

void deallocate(char* p) {
    Synchronized guard(&stringLock());
    std::free(p);
}

} // namespace

Object& stringLock() {
    static Object* lock = new Object;
    return *lock;
}

String::String(const String& other) : Object() {
    setText(other.getChars(), other.length);
}

String::String(const String& other, int minCapacity) : Object() {
    int count = other.length;
    int cap = std::max(capacityForLength(count), roundUp16(minCapacity));
    chars = allocate(cap);
    capacity = cap;
    std::memcpy(chars, other.getChars(), count);
    chars[count] = 0;
    length = count;
}

String::String(const char* text, bool borrow) {
    if (!text)
        return;
    if (borrow) {
        chars = const_cast<char*>(text);
        length = boundedLength(text);
        if (text[length] != 0) // longer than the type holds: own a capped copy
            setText(text, length);
        return;
    }
    setText(text, boundedLength(text));
}

String::String(const char* text, int start, int end) {
    if (!text || end < start || start < 0) {
        setText("", 0);
        return;
    }
    setText(text + start, end - start);
}

String::String(char c, int minCapacity) {
    int cap = std::max(16, roundUp16(minCapacity));
    chars = allocate(cap);
    capacity = cap;
    chars[0] = c;
    chars[1] = 0;
    length = c ? 1 : 0;
}

String::String(int value) {
    assign(value);
}

String::String(double value) {
    char buf[40];
    int n = std::snprintf(buf, sizeof buf, "%.9g", value);
    setText(buf, n);
}

String::String(String&& other) noexcept : Object() {
    chars = other.chars;
    capacity = other.capacity;
    length = other.length;
    other.chars = nullptr;
    other.capacity = 0;
    other.length = 0;
}

String& String::operator=(const String& other) {
    if (this != &other)
        assign(other);
    return *this;
}

String::~String() {
    if (capacity > 0)
        deallocate(chars);
}

void String::setText(const char* text, int count) {
    count = std::clamp(count, 0, maxLength);
    if (capacity > count) {
        std::memmove(chars, text, count);
        chars[count] = 0;
        length = count;
        return;
    }
    int cap = capacityForLength(count);
    char* fresh = allocate(cap);
    std::memcpy(fresh, text, count);
    fresh[count] = 0;
    if (capacity > 0)
        deallocate(chars);
    chars = fresh;
    capacity = cap;
    length = count;
}

void String::reallocate(int bytes, bool keep) {
    int cap = roundUp16(std::max(bytes, keep ? length + 1 : 1));
    char* fresh = allocate(cap);
    int kept = keep ? length : 0;
    std::memcpy(fresh, getChars(), kept);
    fresh[kept] = 0;
    if (capacity > 0)
        deallocate(chars);
    chars = fresh;
    capacity = cap;
    length = kept;
}

void String::ensureCapacity(int bytes) {
    reallocate(bytes, true);
}

void String::appendText(const char* text, int count) {
    count = std::min(count, maxLength - length);
    if (count <= 0)
        return;
    if (length + count >= capacity) {
        // The text may live inside our own buffer (s.append(s)).
        const bool inside = capacity > 0 && text >= chars && text < chars + capacity;
        const std::ptrdiff_t offset = inside ? text - chars : 0;
        ensureCapacity(length + count + 1);
        if (inside)
            text = chars + offset;
    }
    std::memmove(chars + length, text, count);
    length += count;
    chars[length] = 0;
}

void String::assign(const char* text) {
    if (!text) {
        if (capacity > 0)
            chars[0] = 0;
        else
            chars = nullptr;
        length = 0;
        return;
    }
    setText(text, boundedLength(text));
}

void String::assign(const String& other) {
    setText(other.getChars(), other.length);
}

void String::assign(int value) {
    char buf[16];
    int n = formatInt(value, buf);
    setText(buf, n);
}

void String::append(const char* text) {
    if (text)
        appendText(text, boundedLength(text));
}

void String::append(const String& other) {
    if (other.length > 0)
        appendText(other.chars, other.length);
}

void String::append(int value) {
    char buf[16];
    int n = formatInt(value, buf);
    appendText(buf, n);
}

void String::append(char c) {
    appendText(&c, 1);
}

Ref<String> String::substring(int start) const {
    start = std::clamp(start, 0, length);
    return adopt(new String(getChars(), start, length));
}

Ref<String> String::substring(int start, int end) const {
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    return adopt(new String(getChars(), start, end));
}

Ref<String> String::concat(const String& a, const String& b) {
    auto result = adopt(new String(a, a.length + b.length + 1));
    result->append(b);
    return result;
}

Ref<String> String::concat(const String& a, const char* b) {
    int added = b ? boundedLength(b) : 0;
    auto result = adopt(new String(a, a.length + added + 1));
    result->append(b);
    return result;
}

bool String::startsWith(const char* prefix) const {
    if (!prefix)
        return false;
    size_t n = std::strlen(prefix);
    if (length == 0)
        return n == 0;
    return n <= static_cast<size_t>(length) && std::memcmp(getChars(), prefix, n) == 0;
}

bool String::endsWith(const char* suffix) const {
    if (!suffix)
        return false;
    size_t n = std::strlen(suffix);
    if (n > static_cast<size_t>(length))
        return false;
    return std::memcmp(getChars() + length - n, suffix, n) == 0;
}

bool String::equals(const String& other) const {
    return length == other.length && std::strcmp(getChars(), other.getChars()) == 0;
}

bool String::equals(const char* text) const {
    return std::strcmp(getChars(), text ? text : "") == 0;
}

bool String::equalsIgnoreCase(const String& other) const {
    return ansiEqualsIgnoreCase(getChars(), other.getChars());
}

bool String::equalsIgnoreCase(const char* text) const {
    return ansiEqualsIgnoreCase(getChars(), text ? text : "");
}

int String::indexOf(char c) const {
    for (int i = 0; i < length; ++i)
        if (chars[i] == c)
            return i;
    return -1;
}

int String::lastIndexOf(char c) const {
    for (int i = length - 1; i >= 0; --i)
        if (chars[i] == c)
            return i;
    return -1;
}

void String::formatThousands(int value) {
    formatThousands(value, platform::thousandsSeparator());
}

void String::formatThousands(int value, char separator) {
    char digits[16];
    int n = reversedDigits(value, digits);
    char out[24];
    int o = 0;
    if (value < 0)
        out[o++] = '-';
    for (int i = n - 1; i >= 0; --i) {
        out[o++] = digits[i];
        if (separator && i > 0 && i % 3 == 0)
            out[o++] = separator;
    }
    setText(out, o);
}

Ref<String> String::urlCanonical() const {
    // Percent-encodes what may not stand in a URL as it is: control and space
    // characters, bytes above 127, the unsafe punctuation and '%' itself.
    static constexpr int resultSize = 2048;
    static const char hex[] = "0123456789ABCDEF";
    auto result = adopt(new String());
    char out[resultSize];
    int o = 0;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(chars[i]);
        bool unsafe = c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}%", c) != nullptr;
        int needed = unsafe ? 3 : 1;
        if (o + needed >= resultSize)
            return result; // does not fit the result buffer: nothing, as a failed call
        if (unsafe) {
            out[o++] = '%';
            out[o++] = hex[c >> 4];
            out[o++] = hex[c & 15];
        } else {
            out[o++] = static_cast<char>(c);
        }
    }
    result->setText(out, o);
    return result;
}

int String::hashCode() const {
    uint32_t h = 0;
    for (int i = 0; i < length; ++i) {
        int32_t c = static_cast<signed char>(chars[i]);
        h |= static_cast<uint32_t>(c) << (8 * (i % 4));
    }
    return static_cast<int>(h);
}

bool String::equals(const Object* other) const {
    const String* s = as<String>(other);
    return s && equals(*s);
}

Ref<String> String::toString() const {
    return adopt(new String(*this));
}

bool isNameChar(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '-' || c == '.' || (c >= 192 && c <= 255);
}

} // namespace lang
