// The fixed identifiers of the text service. Registrations and user profiles refer to
// them, so they never change.
#pragma once

#include <windows.h>

namespace korvi {

// The text service's COM class; also the item of its category registrations.
extern const CLSID kTextServiceClsid;
// Its one language profile (Tamil, LANGID 0x0449).
extern const GUID kLanguageProfileGuid;
// The preserved toggle key Ctrl + grave accent.
extern const GUID kPreservedKeyGuid;
// The language-bar button.
extern const GUID kLangBarButtonGuid;

// The registry form of a GUID: 38 characters, braces, upper-case hexadecimal digits.
struct GuidText {
  wchar_t text[39];
};
GuidText FormatGuid(const GUID& guid);

// The class key path "CLSID\{...}" under HKEY_CLASSES_ROOT.
struct ClassKeyPath {
  wchar_t text[6 + 39];
};
ClassKeyPath TextServiceClassKeyPath();

}  // namespace korvi
