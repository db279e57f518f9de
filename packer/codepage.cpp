// UTF-8 and the Windows ANSI code pages. Windows-1252 has its own table (the
// default must not depend on the C library's conversion modules); the others
// are converted with iconv, one character at a time, so that a refusal can name
// the character that has no place.
#include "packer/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>

namespace packer {
namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D). 0xA0..0xFF equal U+00A0..U+00FF.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool Encode1252(char32_t c, std::string* bytes) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    bytes->push_back(static_cast<char>(c));
    return true;
  }
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] != 0 && kCp1252High[i] == c) {
      bytes->push_back(static_cast<char>(0x80 + i));
      return true;
    }
  return false;
}

char32_t Decode1252(unsigned char b) {
  if (b < 0x80 || b >= 0xA0) return b;
  char32_t c = kCp1252High[b - 0x80];
  return c ? c : b;
}

// One iconv descriptor per direction and code page, opened on first use and
// kept for the life of the process (iconv descriptors are not thread-safe, so
// every use holds the lock).
struct Converter {
  iconv_t to_page = reinterpret_cast<iconv_t>(-1);
  iconv_t from_page = reinterpret_cast<iconv_t>(-1);
  std::mutex lock;
  ~Converter() {
    if (to_page != reinterpret_cast<iconv_t>(-1)) iconv_close(to_page);
    if (from_page != reinterpret_cast<iconv_t>(-1)) iconv_close(from_page);
  }
};

Converter* ConverterFor(int number) {
  static std::mutex table_lock;
  static std::unique_ptr<Converter> table[1259];
  std::lock_guard<std::mutex> guard(table_lock);
  if (!table[number]) {
    auto converter = std::make_unique<Converter>();
    std::string name = "CP" + std::to_string(number);
    converter->to_page = iconv_open(name.c_str(), "UTF-32LE");
    converter->from_page = iconv_open("UTF-32LE", name.c_str());
    if (converter->to_page == reinterpret_cast<iconv_t>(-1) ||
        converter->from_page == reinterpret_cast<iconv_t>(-1))
      return nullptr;
    table[number] = std::move(converter);
  }
  return table[number].get();
}

// Runs iconv over `in`; false when any input is refused.
bool Convert(iconv_t cd, const std::string& in, std::string* out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  std::size_t left = in.size();
  char buffer[64];
  while (left > 0) {
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    std::size_t r = iconv(cd, &src, &left, &dst, &room);
    out->append(buffer, dst);
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
  }
  char* dst = buffer;
  std::size_t room = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &room);  // flush a stateful encoder
  out->append(buffer, dst);
  return true;
}

std::string Utf32(char32_t c) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((c >> (8 * i)) & 0xFF);
  return s;
}

}  // namespace

bool DecodeUtf8(const std::string& s, std::size_t* pos, char32_t* c) {
  std::size_t i = *pos;
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b0 = byte(i);
  int extra;
  char32_t value;
  if (b0 < 0x80) {
    *c = b0;
    *pos = i + 1;
    return true;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1;
    value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2;
    value = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3;
    value = b0 & 0x07;
  } else {
    return false;
  }
  if (i + extra >= s.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return false;
    value = (value << 6) | (b & 0x3F);
  }
  static const char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *c = value;
  *pos = i + 1 + extra;
  return true;
}

std::string EncodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  return out;
}

std::string CodePointName(char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

bool CodePage::Open(const std::string& name, CodePage* out, std::string* error) {
  std::string digits;
  std::string lower;
  for (char ch : name) lower.push_back(static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch));
  for (const char* prefix : {"windows-", "windows", "cp"})
    if (lower.rfind(prefix, 0) == 0) {
      lower = lower.substr(std::string(prefix).size());
      break;
    }
  for (char ch : lower) {
    if (ch < '0' || ch > '9') {
      digits.clear();
      break;
    }
    digits.push_back(ch);
  }
  int number = digits.empty() || digits.size() > 5 ? 0 : std::stoi(digits);
  bool ansi = number == 874 || number == 932 || number == 936 || number == 949 || number == 950 ||
              (number >= 1250 && number <= 1258);
  if (!ansi) {
    *error = "--codepage: \"" + name +
             "\" is not a Windows ANSI code page (874, 932, 936, 949, 950, 1250 to 1258)";
    return false;
  }
  if (number != 1252 && !ConverterFor(number)) {
    *error = "--codepage: this system's C library cannot convert to code page " + std::to_string(number);
    return false;
  }
  out->number_ = number;
  return true;
}

bool CodePage::EncodeChar(char32_t c, std::string* bytes) const {
  if (number_ == 1252) return Encode1252(c, bytes);
  if (c < 0x80 && !multi_byte()) {
    bytes->push_back(static_cast<char>(c));
    return true;
  }
  Converter* converter = ConverterFor(number_);
  std::lock_guard<std::mutex> guard(converter->lock);
  std::string encoded;
  if (!Convert(converter->to_page, Utf32(c), &encoded) || encoded.empty()) return false;
  bytes->append(encoded);
  return true;
}

std::string CodePage::ToUtf8(const std::string& bytes) const {
  std::string out;
  if (number_ == 1252) {
    for (unsigned char b : bytes) out += EncodeUtf8(Decode1252(b));
    return out;
  }
  Converter* converter = ConverterFor(number_);
  std::lock_guard<std::mutex> guard(converter->lock);
  // Whole text first; on a refusal, byte by byte (lead and trail bytes together
  // where they convert as a pair).
  std::string utf32;
  if (!Convert(converter->from_page, bytes, &utf32)) {
    utf32.clear();
    for (std::size_t i = 0; i < bytes.size();) {
      std::string piece;
      if (Convert(converter->from_page, bytes.substr(i, 1), &piece) && !piece.empty()) {
        utf32 += piece;
        i += 1;
      } else if (i + 1 < bytes.size() && Convert(converter->from_page, bytes.substr(i, 2), &piece) &&
                 !piece.empty()) {
        utf32 += piece;
        i += 2;
      } else {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        utf32 += Utf32(b < 0x80 || !multi_byte() ? b : 0xFFFD);
        i += 1;
      }
    }
  }
  for (std::size_t i = 0; i + 4 <= utf32.size(); i += 4) {
    char32_t c = 0;
    for (int k = 3; k >= 0; --k) c = (c << 8) | static_cast<unsigned char>(utf32[i + k]);
    out += EncodeUtf8(c);
  }
  return out;
}

bool ToCodePage(const std::string& utf8, const CodePage& page, TextKind kind, const std::string& field,
                std::string* out, std::string* error) {
  std::string result;
  std::size_t pos = 0;
  if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
  int line = 1, column = 1;
  char32_t previous = 0;
  auto where = [&] { return field + ": line " + std::to_string(line) + ", column " + std::to_string(column); };
  while (pos < utf8.size()) {
    char32_t c;
    if (!DecodeUtf8(utf8, &pos, &c)) {
      *error = where() + ": not valid UTF-8";
      return false;
    }
    bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
    bool allowed_control = kind == TextKind::Paragraphs && (c == '\t' || c == '\r' || c == '\n');
    if (control && !allowed_control) {
      *error = where() + ": the control character " + CodePointName(c) +
               (kind == TextKind::Line ? " (a line break or other control character) cannot stand in it"
                                       : " cannot stand in it");
      return false;
    }
    if (c == '\n' && previous != '\r') result.push_back('\r');
    if (!page.EncodeChar(c, &result)) {
      *error = where() + ": the character '" + EncodeUtf8(c) + "' (" + CodePointName(c) +
               ") has no place in code page " + std::to_string(page.number()) +
               " (choose another with --codepage)";
      return false;
    }
    previous = c;
    if (c == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  *out = std::move(result);
  return true;
}

}  // namespace packer
