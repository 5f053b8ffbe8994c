#include "link_address.h"

#include <algorithm>
#include <cstring>

#include "fast/reading_runs.h"
#include "reading/html_tokenizer.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsControlOrBlank(unsigned char c) { return c <= 0x20; }

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if ((text[i] | 0x20) != prefix[i]) return false;
  return true;
}

// The scheme of an absolute address ("http"), or empty.
std::string_view SchemeOf(std::string_view address) {
  if (address.empty() || !((address[0] | 0x20) >= 'a' && (address[0] | 0x20) <= 'z')) return {};
  for (size_t i = 1; i < address.size(); ++i) {
    const char c = address[i];
    if (c == ':') return address.substr(0, i);
    const bool schemeByte = ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ||
                            (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!schemeByte) return {};
  }
  return {};
}

// A growing address, cut off past kLongestAddress (which makes it no address at all).
struct Address {
  char* out;
  size_t length = 0;
  bool tooLong = false;
  void Append(std::string_view bytes) {
    if (bytes.empty()) return;  // (an empty view may have no bytes to point at)
    if (length + bytes.size() > kLongestAddress) {
      tooLong = true;
      return;
    }
    std::memcpy(out + length, bytes.data(), bytes.size());
    length += bytes.size();
  }
  std::string_view view() const { return {out, length}; }
};

// Removes "." and ".." segments from path[0, n) (RFC 3986, 5.2.4), in place; returns the
// new length.
size_t RemoveDotSegments(char* path, size_t n) {
  char input[kLongestAddress];
  std::memcpy(input, path, n);
  size_t in = 0;
  size_t out = 0;
  auto dropLastSegment = [&] {
    while (out > 0 && path[out - 1] != '/') --out;
    if (out > 0) --out;
  };
  while (in < n) {
    const std::string_view rest(input + in, n - in);
    if (rest.starts_with("../")) {
      in += 3;
    } else if (rest.starts_with("./") || rest.starts_with("/./")) {
      in += 2;
    } else if (rest == "/.") {
      input[in + 1] = '/';  // the rest becomes "/"
      in += 1;
    } else if (rest.starts_with("/../")) {
      in += 3;
      dropLastSegment();
    } else if (rest == "/..") {
      input[in + 2] = '/';
      in += 2;
      dropLastSegment();
    } else if (rest == "." || rest == "..") {
      in = n;
    } else {
      size_t end = in + 1;  // the segment: its "/" and what follows up to the next "/"
      while (end < n && input[end] != '/') ++end;
      std::memcpy(path + out, input + in, end - in);
      out += end - in;
      in = end;
    }
  }
  return out;
}

// Resolves reference against base (RFC 3986, 5.2) into address.
void Resolve(std::string_view reference, std::string_view base, Address& address) {
  const std::string_view scheme = SchemeOf(base);
  const std::string_view afterScheme = base.substr(scheme.size() + 1);
  size_t authorityEnd = 0;  // in afterScheme
  if (afterScheme.starts_with("//")) {
    authorityEnd = afterScheme.find_first_of("/?#", 2);
    if (authorityEnd == std::string_view::npos) authorityEnd = afterScheme.size();
  }
  const std::string_view authority = afterScheme.substr(0, authorityEnd);
  std::string_view basePath = afterScheme.substr(authorityEnd);
  const size_t pathEnd = basePath.find_first_of("?#");
  const std::string_view baseQuery =
      pathEnd == std::string_view::npos ? std::string_view{} : basePath.substr(pathEnd);
  basePath = basePath.substr(0, pathEnd == std::string_view::npos ? basePath.size() : pathEnd);

  address.Append(scheme);
  address.Append(":");
  if (reference.starts_with("//")) {
    address.Append(reference);
    return;
  }
  address.Append(authority);
  const size_t pathStart = address.length;
  if (reference.empty()) {
    address.Append(basePath);
    address.Append(baseQuery.substr(0, baseQuery.find('#')));
    return;
  }
  if (reference[0] == '?') {
    address.Append(basePath);
    address.Append(reference);
    return;
  }
  const size_t referencePathEnd = std::min(reference.find_first_of("?#"), reference.size());
  if (reference[0] == '/') {
    address.Append(reference.substr(0, referencePathEnd));
  } else {
    // The base's path up to its last "/", then the reference's.
    const size_t slash = basePath.rfind('/');
    if (slash != std::string_view::npos)
      address.Append(basePath.substr(0, slash + 1));
    else if (!authority.empty())
      address.Append("/");
    address.Append(reference.substr(0, referencePathEnd));
  }
  if (address.tooLong) return;
  address.length = pathStart + RemoveDotSegments(address.out + pathStart, address.length - pathStart);
  address.Append(reference.substr(referencePathEnd));
}

}  // namespace

size_t DecodeAttributeValue(const char* text, size_t begin, size_t end,
                            const EncodingChoice& encoding, char* out, size_t capacity) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t length = 0;
  auto put = [&](uint32_t cp) {
    char bytes[4];
    const size_t n = EncodeUtf8(cp, bytes);
    if (capacity - length < n) return;
    std::memcpy(out + length, bytes, n);
    length += n;
  };
  for (size_t p = begin; p < end;) {
    const unsigned char c = s[p];
    if (c < 0x80 && c != '&') {  // ASCII up to the next reference or byte beyond it
      const size_t run = FindReferenceOrHighByte(s, p + 1, end);
      const size_t n = std::min(run - p, capacity - length);
      std::memcpy(out + length, text + p, n);
      length += n;
      p = run;
      continue;
    }
    if (c == '&') {
      HtmlToken reference;
      const size_t after = ReadCharacterReference(text, p, end, reference);
      if (after != p) {
        for (int i = 0; i < reference.count; ++i) put(reference.cps[i]);
        p = after;
        continue;
      }
    }
    if (c < 0x80) {
      put(c);
      ++p;
    } else if (encoding.utf8) {
      uint32_t cp;
      p += DecodeUtf8Character(s + p, end - p, cp);
      put(cp);
    } else {
      const unsigned char mapped = encoding.mapper(c);
      put(encoding.cyrillic ? Windows1251CodePoint(mapped) : Windows1252CodePoint(mapped));
      ++p;
    }
  }
  return length;
}

bool RunsCode(std::string_view address) {
  return StartsNoCase(address, "javascript:") || StartsNoCase(address, "vbscript:") ||
         StartsNoCase(address, "data:");
}

LinkKind MakeLinkAddress(std::string_view href, std::string_view base, char* out,
                         size_t& length) {
  // Most addresses are printable ASCII already, and need no base.
  if (base.empty() && !href.empty() && href.size() + kScanChunk <= kLongestAddress &&
      href[0] != '#' && href.find('"') == std::string_view::npos) {
    const auto* s = reinterpret_cast<const unsigned char*>(href.data());
    if (CopyPlainRun<PlainBytes::RtfText>(s, href.size(), out) == href.size()) {
      if (RunsCode(href)) return LinkKind::None;
      length = href.size();
      return LinkKind::External;
    }
  }
  // So are most jumps within the page.
  if (base.empty() && href.size() > 1 && href.size() + kScanChunk <= kLongestAddress &&
      href[0] == '#') {
    const auto* s = reinterpret_cast<const unsigned char*>(href.data()) + 1;
    if (CopyPlainRun<PlainBytes::PrintableAscii>(s, href.size() - 1, out) == href.size() - 1) {
      length = href.size() - 1;
      return LinkKind::Internal;
    }
  }
  // Blanks and controls at the ends go, and tabs and line feeds anywhere.
  size_t first = 0, last = href.size();
  while (first < last && IsControlOrBlank(static_cast<unsigned char>(href[first]))) ++first;
  while (last > first && IsControlOrBlank(static_cast<unsigned char>(href[last - 1]))) --last;
  char cleaned[kLongestAddress];
  size_t n = 0;
  if (last - first > kLongestAddress) return LinkKind::None;
  for (size_t i = first; i < last; ++i)
    if (href[i] != '\t' && href[i] != '\n' && href[i] != '\r') cleaned[n++] = href[i];
  const std::string_view address(cleaned, n);
  if (RunsCode(address)) return LinkKind::None;
  if (address.starts_with("#")) {
    length = n - 1;
    std::memcpy(out, cleaned + 1, length);
    return LinkKind::Internal;
  }
  if (address.empty() && base.empty()) return LinkKind::None;

  char resolved[kLongestAddress];
  Address whole{resolved};
  if (!base.empty() && SchemeOf(address).empty() && !SchemeOf(base).empty())
    Resolve(address, base, whole);
  else
    whole.Append(address);
  if (whole.tooLong || RunsCode(whole.view())) return LinkKind::None;

  // Printable ASCII but the quote and the backslash as they stand; the rest percent-encoded.
  size_t n2 = 0;
  for (unsigned char c : whole.view()) {
    if (n2 + 3 > kLongestAddress) return LinkKind::None;
    if (c > 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out[n2++] = static_cast<char>(c);
    } else {
      out[n2++] = '%';
      out[n2++] = kHex[c >> 4];
      out[n2++] = kHex[c & 15];
    }
  }
  length = n2;
  return LinkKind::External;
}

}  // namespace vellumine
