// Texts and names between UTF-8 (what authors write and Linux file names hold)
// and a Windows ANSI code page (what the installer shows and hands to the "A"
// file functions). Windows-1252 is built in; the other ANSI code pages go
// through the C library's iconv.
#pragma once

#include <cstdint>
#include <string>

namespace packer {

class CodePage {
 public:
  // `name`: "1252", "cp1250", "windows-1251", ... Only the Windows ANSI code
  // pages (874, 932, 936, 949, 950, 1250 to 1258) are accepted. Returns false
  // with `error` set for any other, or when the C library lacks the tables.
  static bool Open(const std::string& name, CodePage* out, std::string* error);

  int number() const { return number_; }
  bool multi_byte() const { return number_ == 932 || number_ == 936 || number_ == 949 || number_ == 950; }

  // One Unicode character in this code page; false when it has no place there.
  bool EncodeChar(char32_t c, std::string* bytes) const;
  // Code-page bytes to UTF-8. Bytes the code page leaves undefined become the
  // control character of the same value (as Windows maps them); a broken
  // multi-byte sequence becomes U+FFFD.
  std::string ToUtf8(const std::string& bytes) const;

 private:
  int number_ = 1252;
};

// What a text is used as: how strictly its characters are checked.
enum class TextKind {
  Line,       // title, INF field, file names: no control characters at all
  Paragraphs  // information line, welcome, licence: tabs and line breaks allowed
};

// UTF-8 `utf8` (a leading byte-order mark dropped) into `page`. Every LF not
// already preceded by CR becomes CR LF. Refuses invalid UTF-8, NUL, control
// characters other than tab/CR/LF (Paragraphs) or any (Line), and characters the
// code page cannot hold; `error` then names `field`, the line and column and
// the character.
bool ToCodePage(const std::string& utf8, const CodePage& page, TextKind kind, const std::string& field,
                std::string* out, std::string* error);

// Decodes one UTF-8 character at `*pos`; false on a malformed, overlong or
// surrogate sequence. Advances `*pos` past it on success.
bool DecodeUtf8(const std::string& s, std::size_t* pos, char32_t* c);
// U+XXXX form for messages.
std::string CodePointName(char32_t c);
// UTF-8 of one character.
std::string EncodeUtf8(char32_t c);

}  // namespace packer
