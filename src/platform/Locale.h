#pragma once

namespace platform {

// The user's thousands separator as one ANSI (code page 1252) character, or 0
// when the locale groups digits with none. Read once per process from the
// environment's locale through a locale object; the global C locale is never
// changed.
char thousandsSeparator();
// The user's decimal separator as one ANSI character ('.' when unknown).
char decimalSeparator();

// Maps one separator text from a locale (UTF-8 or ASCII) to a single ANSI
// character, its first: 0 for an empty text, a narrow, thin or figure space
// becomes the no-break space 0xA0, and anything code page 1252 cannot hold
// (a control character, malformed UTF-8) becomes 0.
char separatorToAnsi(const char* utf8);

} // namespace platform
