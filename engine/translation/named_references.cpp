#include "named_references.h"

#include "translation/entities.h"
#include "translation/html_entities.h"
#include "translation/windows_code_pages.h"

namespace vellumine {

const QuoteName* FindQuoteName(const char* name, size_t length) {
  for (const QuoteName& quote : kQuoteNames)
    if (quote.name == std::string_view(name, length)) return &quote;
  return nullptr;
}

NamedCharacters ResolveName(const char* name, size_t length) {
  NamedCharacters result;
  if (const EntityRow* row = FindEntityRow(name, length)) {
    result.count = 1;
    result.cps[0] = Windows1252CodePoint(row->code);
    result.tableByte = row->code;
  } else if (const NamedReference* named = FindNamedReference(name, length)) {
    result.cps[0] = named->first;
    result.cps[1] = named->second;
    result.count = named->second != 0 ? 2 : 1;
  }
  return result;
}

}  // namespace vellumine
