// The default reading's layout: what each tag means for the page's blocks (paragraphs,
// lines, lists, quotes, definitions, preformatted text, tables) and characters, told to a
// writer of one format. One forward pass over the tokens.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "translation/encoding.h"
#include "translation/utf8.h"
#include "reading/html_tokenizer.h"
#include "reading/inline_style.h"
#include "reading/link_address.h"
#include "reading/list_numbers.h"
#include "reading/page_block.h"
#include "reading/rtf_colors.h"

namespace vellumine {

// Writer is TextPageWriter or RtfPageWriter (see either for the calls it takes).
template <typename Writer>
class PageLayout {
 public:
  explicit PageLayout(Writer& writer, const EncodingChoice& encoding = EncodingChoice{})
      : writer_(writer), encoding_(encoding) {}

  // The page's next token; text holds the bytes its positions index.
  [[gnu::always_inline]] void Take(const char* text, const HtmlToken& token) {
    text_ = text;
    switch (token.kind) {
      case HtmlToken::Kind::End:
        break;
      case HtmlToken::Kind::Text: {
        const bool newlineSkipped = skipNewline_;
        skipNewline_ = false;
        if (preDepth_ > 0 && !InOneLineCell())
          PreformattedText(token.begin + (newlineSkipped ? LineEndLength(token) : 0), token.end);
        else
          Text(token.begin, token.end);
        break;
      }
      case HtmlToken::Kind::Character:
        skipNewline_ = false;
        for (int i = 0; i < token.count; ++i) Character(token.cps[i]);
        break;
      case HtmlToken::Kind::StartTag:
        skipNewline_ = false;
        StartTag(token);
        break;
      case HtmlToken::Kind::EndTag:
        skipNewline_ = false;
        EndTag(token.tag);
        break;
    }
  }

  // After the page's last token: closes what is open.
  void Finish() {
    if (linkOpen_) writer_.LinkEnd();
    linkOpen_ = false;
    if (tableDepth_ > 0) {
      tableDepth_ = 1;
      CloseTable();
    }
    if (open_) writer_.EndParagraph();
    open_ = false;
  }

 private:
  enum class LevelKind : uint8_t { List, Quote, Definition, DefinitionList };
  struct Level {
    LevelKind kind;
    bool ordered;
    long next;  // the next item's number
    int list;   // Block::list of its items
    ListNumbering numbering = ListNumbering::Decimal;
    bool reversed = false;  // numbered down
  };
  // How an element with a style (or a colour, a highlight or an alignment of its own) looks,
  // over what the elements around it give, up to its end tag.
  struct Look {
    Tag tag;
    int8_t bold, italic, underline, strike, monospace;  // -1: as around it
    uint8_t color, highlight;                            // 0: as around it
    TextAlign align;                                     // None: as around it
  };
  static constexpr int kMaxLooks = 32;
  static constexpr int kMaxLevels = 64;

  bool InOneLineCell() const { return Writer::kOneLineCells && tableDepth_ > 0; }

  void RequestBreak(Break wanted) {
    if (InOneLineCell()) {
      pendingSpace_ = true;
      return;
    }
    if (wanted > pending_) pending_ = wanted;
  }

  bool InList() const {
    for (int i = (depth_ < kMaxLevels ? depth_ : kMaxLevels) - 1; i >= 0; --i)
      if (levels_[i].kind == LevelKind::List) return true;
    return false;
  }

  Block CurrentBlock() const {
    Block block;
    for (int i = 0; i < depth_ && i < kMaxLevels; ++i)
      if (levels_[i].kind != LevelKind::DefinitionList) ++block.indent;
    block.marker = pendingMarker_;
    block.number = pendingNumber_;
    block.numbering = pendingNumbering_;
    if (block.marker != ItemMarker::None) {
      block.list = pendingList_;
      int lists = 0;
      for (int i = 0; i < depth_ && i < kMaxLevels; ++i) lists += levels_[i].kind == LevelKind::List;
      block.listLevel = std::clamp(lists - 1, 0, 8);
    }
    if (block.marker != ItemMarker::None && block.indent == 0) block.indent = 1;
    if (block.indent > kDeepestIndent) block.indent = kDeepestIndent;
    block.preformatted = preDepth_ > 0;
    block.align = centerDepth_ > 0 ? TextAlign::Center : TextAlign::None;
    for (int i = looks_ - 1; i >= 0; --i) {
      if (look_[i].align != TextAlign::None) {
        block.align = look_[i].align;
        break;
      }
    }
    block.heading = heading_;
    return block;
  }

  void EnsureParagraph() {
    if (open_ && pending_ == Break::None) return;  // most text goes on in the same paragraph
    NextParagraph();
  }
  [[gnu::noinline]] void NextParagraph() {
    if (open_) writer_.EndParagraph();
    Block block = CurrentBlock();
    block.spaced = pending_ == Break::Paragraph && started_ && !cellFresh_;
    writer_.StartParagraph(block);
    open_ = true;
    started_ = true;
    cellFresh_ = false;
    pending_ = Break::None;
    pendingSpace_ = false;
    pendingMarker_ = ItemMarker::None;
  }

  // Before anything visible: the cell, paragraph, blank and formatting it goes with.
  [[gnu::always_inline]] void PrepareContent() {
    if (tableDepth_ > 0 && !cellOpen_) OpenCell();
    if (InOneLineCell()) {
      if (pendingSpace_ && cellHasContent_) writer_.Space();
      cellHasContent_ = true;
      pendingSpace_ = false;
    } else {
      EnsureParagraph();
      if (pendingSpace_ && !lineStart_) writer_.Space();
      pendingSpace_ = false;
      lineStart_ = false;
    }
    writer_.Format(format_);
  }

  // A formatting element opens or closes: depth counts those open of its kind, and the
  // format has the flag while any is open.
  [[gnu::always_inline]] void Deeper(int& depth, bool CharacterFormat::*flag) {
    ++depth;
    tagFormat_.*flag = true;
    if (layered_) return Refresh();
    format_.*flag = true;
  }
  [[gnu::always_inline]] void Shallower(int& depth, bool CharacterFormat::*flag) {
    if (depth > 0) --depth;
    tagFormat_.*flag = depth > 0;
    if (layered_) return Refresh();
    format_.*flag = depth > 0;
  }
  // The format the tags give, with the looks of the elements open over it (the innermost
  // last) and a header cell's bold.
  [[gnu::noinline]] void Refresh() {
    layered_ = formatLooks_ > 0 || headerCell_;
    CharacterFormat format = tagFormat_;
    format.bold = format.bold || headerCell_;
    for (int i = 0; i < looks_; ++i) {
      const Look& look = look_[i];
      auto set = [](bool& flag, int8_t value) { if (value >= 0) flag = value != 0; };
      set(format.bold, look.bold);
      set(format.italic, look.italic);
      set(format.underline, look.underline);
      set(format.strike, look.strike);
      set(format.monospace, look.monospace);
      if (look.color != 0) format.color = look.color;
      if (look.highlight != 0) format.highlight = look.highlight;
    }
    format_ = format;
  }

  static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
  }
  // Blanks and the control bytes that writers leave out: nothing to see.
  static bool IsInvisible(char c) {
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
  }

  [[gnu::always_inline]] void Text(size_t begin, size_t end) {
    bool blank = false;  // a blank among the invisible bytes around the text
    size_t first = begin;
    for (; first < end && IsInvisible(text_[first]); ++first) blank = blank || IsBlank(text_[first]);
    if (first == end) {
      pendingSpace_ = pendingSpace_ || blank;
      return;
    }
    if (blank) pendingSpace_ = true;
    blank = false;
    size_t last = end;
    for (; IsInvisible(text_[last - 1]); --last) blank = blank || IsBlank(text_[last - 1]);
    PrepareContent();
    writer_.Text(text_ + first, last - first);
    if (blank) pendingSpace_ = true;
  }

  // The length of the line end a text token starts with: 0, 1 or 2 (CR LF).
  size_t LineEndLength(const HtmlToken& token) const {
    if (text_[token.begin] == '\n') return 1;
    return text_[token.begin] == '\r' && token.end - token.begin > 1 && text_[token.begin + 1] == '\n' ? 2 : 0;
  }

  // Lines end in a line feed or a CR LF pair.
  void PreformattedText(size_t begin, size_t end) {
    while (begin < end) {
      const void* feed = std::memchr(text_ + begin, '\n', end - begin);
      const size_t lineEnd = feed ? static_cast<size_t>(static_cast<const char*>(feed) - text_) : end;
      const size_t textEnd = lineEnd > begin && feed && text_[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
      if (textEnd > begin) {
        PrepareContent();
        for (; pendingLines_ > 0; --pendingLines_) writer_.LineBreak();
        writer_.PreformattedText(text_ + begin, textEnd - begin);
      }
      if (lineEnd < end) ++pendingLines_;  // written when more of the block follows
      begin = lineEnd + 1;
    }
  }

  void Character(uint32_t cp) {
    if (preDepth_ > 0 && !InOneLineCell()) {
      if (cp == '\n') {
        ++pendingLines_;
        return;
      }
      PrepareContent();
      for (; pendingLines_ > 0; --pendingLines_) writer_.LineBreak();
      writer_.Character(cp);
      return;
    }
    if (cp == ' ' || cp == '\t' || cp == '\n' || cp == '\r' || cp == '\f') {
      pendingSpace_ = true;
      return;
    }
    PrepareContent();
    writer_.Character(cp);
  }

  void Push(LevelKind kind, bool ordered = false, long next = 1, int list = 0) {
    if (depth_ < kMaxLevels) levels_[depth_] = Level{kind, ordered, next, list};
    ++depth_;
  }

  // Closes the innermost level of kind and every level inside it; false when none is open.
  bool PopTo(LevelKind kind) {
    for (int i = (depth_ < kMaxLevels ? depth_ : kMaxLevels) - 1; i >= 0; --i) {
      if (levels_[i].kind == kind) {
        depth_ = i;
        return true;
      }
    }
    if (depth_ > kMaxLevels) {  // the level is beyond those kept
      --depth_;
      return true;
    }
    return false;
  }
  bool TopIs(LevelKind kind) const {
    return depth_ > 0 && depth_ <= kMaxLevels && levels_[depth_ - 1].kind == kind;
  }

  [[gnu::always_inline]] void StartTag(const HtmlToken& token) {
    const Tag tag = token.tag;
    ReadUsedAttributes(text_, token,
                       AttributeUse{writer_.WantsLinks(), writer_.WantsPlaces(), writer_.WantsLooks()},
                       readAttributes_);
    if (tag != Tag::A && writer_.WantsPlaces()) ElementName(TagAttributes::kId);
    switch (tag) {
      case Tag::P:
        if (HasLook(Tag::P)) EndLook(Tag::P);  // a paragraph ends the one before
        RequestBreak(Break::Paragraph);
        break;
      case Tag::Figure: case Tag::Blockquote: case Tag::Listing: case Tag::Xmp:
      case Tag::Pre: case Tag::Hr:
      case Tag::H1: case Tag::H2: case Tag::H3: case Tag::H4: case Tag::H5: case Tag::H6:
        RequestBreak(Break::Paragraph);
        break;
      case Tag::Div: case Tag::Section: case Tag::Article: case Tag::Header: case Tag::Footer:
      case Tag::Nav: case Tag::Main: case Tag::Aside: case Tag::Address: case Tag::Figcaption:
      case Tag::Details: case Tag::Summary: case Tag::Form: case Tag::Fieldset:
      case Tag::Legend: case Tag::Caption: case Tag::Noscript: case Tag::Center: case Tag::Li:
      case Tag::Dt: case Tag::Dd:
        RequestBreak(Break::Line);
        break;
      default:
        break;
    }
    switch (tag) {
      case Tag::Pre: case Tag::Listing: case Tag::Xmp:
        ++preDepth_;
        skipNewline_ = true;  // a line feed right after the start tag is not the text's
        break;
      case Tag::H1: case Tag::H2: case Tag::H3: case Tag::H4: case Tag::H5: case Tag::H6:
        heading_ = HeadingLevel(tag);
        break;
      case Tag::Hr:
        Rule();
        break;
      case Tag::Center:
        ++centerDepth_;
        break;
      case Tag::Blockquote:
        Push(LevelKind::Quote);
        break;
      case Tag::Ul: case Tag::Ol: case Tag::Menu: case Tag::Dir: {
        RequestBreak(InList() ? Break::Line : Break::Paragraph);
        long start = 1;
        if (tag == Tag::Ol && attributes_->has[TagAttributes::kStart])
          start = ParseAttributeNumber(text_, attributes_->begin[TagAttributes::kStart],
                                       attributes_->end[TagAttributes::kStart], 1);
        // An ordered list's items carry their numbers (Block::list 0); others are bullets.
        Push(LevelKind::List, tag == Tag::Ol, start, tag == Tag::Ol ? 0 : 1);
        if (tag == Tag::Ol && depth_ <= kMaxLevels) {
          Level& list = levels_[depth_ - 1];
          if (attributes_->has[TagAttributes::kType])
            list.numbering = ListNumberingOf(AttributeBytes(TagAttributes::kType));
          list.reversed = attributes_->has[TagAttributes::kReversed];
          // Numbered down from its number of items, unless it says where it starts.
          if (list.reversed && !attributes_->has[TagAttributes::kStart] && token.count == 1)
            list.next = static_cast<long>(token.cps[0]);
        }
        break;
      }
      case Tag::Li:
        ListItem();
        break;
      case Tag::Dl:
        RequestBreak(InList() || depth_ > 0 ? Break::Line : Break::Paragraph);
        Push(LevelKind::DefinitionList);
        break;
      case Tag::Dt:
        if (TopIs(LevelKind::Definition)) PopTo(LevelKind::Definition);
        break;
      case Tag::Dd:
        if (!TopIs(LevelKind::Definition)) Push(LevelKind::Definition);
        break;
      case Tag::Br:
        if (InOneLineCell()) {
          pendingSpace_ = true;
        } else {
          if (tableDepth_ > 0 && !cellOpen_) OpenCell();
          EnsureParagraph();
          writer_.LineBreak();
          pendingSpace_ = false;
          lineStart_ = true;  // a blank after the break is not written
        }
        break;
      case Tag::B: case Tag::Strong:
        Deeper(bold_, &CharacterFormat::bold);
        break;
      case Tag::Sub:
        Deeper(subscript_, &CharacterFormat::subscript);
        break;
      case Tag::Sup:
        Deeper(superscript_, &CharacterFormat::superscript);
        break;
      case Tag::Q:
        Character(0x201C);  // a quotation in its marks
        break;
      case Tag::Em: case Tag::I: case Tag::Cite: case Tag::Var: case Tag::Dfn:
      case Tag::Address:
        Deeper(italic_, &CharacterFormat::italic);
        break;
      case Tag::U: case Tag::Ins:
        Deeper(underline_, &CharacterFormat::underline);
        break;
      case Tag::S: case Tag::Strike: case Tag::Del:
        Deeper(strike_, &CharacterFormat::strike);
        break;
      case Tag::Code: case Tag::Kbd: case Tag::Samp: case Tag::Tt:
        Deeper(monospace_, &CharacterFormat::monospace);
        break;
      case Tag::A:
        Anchor(token);
        break;
      case Tag::Img:
        if (!ShowPicture(token)) ImageText(token);
        break;
      case Tag::Base:
        BaseAddress(token);
        break;
      case Tag::Mark:
        if (writer_.WantsLooks() && !attributes_->looks) StartLook(tag);  // (a highlight of itself)
        break;
      case Tag::Title:  // (its token holds its text)
        Property(DocumentProperty::Title, token.begin, token.end);
        break;
      case Tag::Meta:
        MetaProperty();
        break;
      case Tag::Thead:
        if (tableDepth_ == 1) headSection_ = true;
        break;
      case Tag::Tbody: case Tag::Tfoot:
        if (tableDepth_ == 1) headSection_ = false;
        break;
      case Tag::Table:
        if (tableDepth_ == 0) {
          OpenTable();
        } else {
          ++tableDepth_;
          RequestBreak(Break::Line);
        }
        break;
      case Tag::Tr:
        if (tableDepth_ == 1) {
          if (rowOpen_) CloseRow();
          OpenRow();
        } else {
          RequestBreak(Break::Line);
        }
        break;
      case Tag::Td: case Tag::Th:
        if (tableDepth_ == 1) {
          if (cellOpen_) CloseCell();
          OpenCell(ReadCellShape(tag == Tag::Th));
        } else {
          pendingSpace_ = true;
        }
        break;
      default:
        break;
    }
    // (Most tags have no look of their own: neither a style, a colour nor an alignment.)
    if (writer_.WantsLooks() && attributes_->looks && !token.selfClosing) StartLook(tag);
  }

  [[gnu::always_inline]] void EndTag(Tag tag) {
    if (HasLook(tag)) EndLook(tag);
    switch (tag) {
      case Tag::P: case Tag::Figure: case Tag::H1: case Tag::H2: case Tag::H3: case Tag::H4:
      case Tag::H5: case Tag::H6:
        RequestBreak(Break::Paragraph);
        break;
      case Tag::Div: case Tag::Section: case Tag::Article: case Tag::Header: case Tag::Footer:
      case Tag::Nav: case Tag::Main: case Tag::Aside: case Tag::Address: case Tag::Figcaption:
      case Tag::Details: case Tag::Summary: case Tag::Form: case Tag::Fieldset:
      case Tag::Legend: case Tag::Caption: case Tag::Noscript: case Tag::Li: case Tag::Dt:
        RequestBreak(Break::Line);
        break;
      default:
        break;
    }
    switch (tag) {
      case Tag::H1: case Tag::H2: case Tag::H3: case Tag::H4: case Tag::H5: case Tag::H6:
        heading_ = 0;
        break;
      case Tag::Pre: case Tag::Listing: case Tag::Xmp:
        if (preDepth_ > 0) {
          // The block's last line feed ends its last line; any before it are empty lines.
          if (pendingLines_ > 0 && !InOneLineCell()) {
            for (--pendingLines_; pendingLines_ > 0; --pendingLines_) {
              EnsureParagraph();
              writer_.LineBreak();
            }
          }
          pendingLines_ = 0;
          --preDepth_;
        }
        RequestBreak(Break::Paragraph);
        break;
      case Tag::Center:
        if (centerDepth_ > 0) --centerDepth_;
        RequestBreak(Break::Line);
        break;
      case Tag::Blockquote:
        PopTo(LevelKind::Quote);
        RequestBreak(Break::Paragraph);
        break;
      case Tag::Ul: case Tag::Ol: case Tag::Menu: case Tag::Dir:
        PopTo(LevelKind::List);
        RequestBreak(InList() ? Break::Line : Break::Paragraph);
        break;
      case Tag::Dl:
        PopTo(LevelKind::DefinitionList);
        RequestBreak(InList() || depth_ > 0 ? Break::Line : Break::Paragraph);
        break;
      case Tag::Dd:
        if (TopIs(LevelKind::Definition)) PopTo(LevelKind::Definition);
        RequestBreak(Break::Line);
        break;
      case Tag::B: case Tag::Strong:
        Shallower(bold_, &CharacterFormat::bold);
        break;
      case Tag::Sub:
        Shallower(subscript_, &CharacterFormat::subscript);
        break;
      case Tag::Sup:
        Shallower(superscript_, &CharacterFormat::superscript);
        break;
      case Tag::Q:
        Character(0x201D);
        break;
      case Tag::Em: case Tag::I: case Tag::Cite: case Tag::Var: case Tag::Dfn:
      case Tag::Address:
        Shallower(italic_, &CharacterFormat::italic);
        break;
      case Tag::U: case Tag::Ins:
        Shallower(underline_, &CharacterFormat::underline);
        break;
      case Tag::S: case Tag::Strike: case Tag::Del:
        Shallower(strike_, &CharacterFormat::strike);
        break;
      case Tag::Code: case Tag::Kbd: case Tag::Samp: case Tag::Tt:
        Shallower(monospace_, &CharacterFormat::monospace);
        break;
      case Tag::A:
        if (linkOpen_) {
          writer_.LinkEnd();
          linkOpen_ = false;
        }
        break;
      case Tag::Thead:
        if (tableDepth_ == 1) headSection_ = false;
        break;
      case Tag::Table:
        if (tableDepth_ == 1) {
          CloseTable();
        } else if (tableDepth_ > 1) {
          --tableDepth_;
          RequestBreak(Break::Line);
        }
        break;
      case Tag::Tr:
        if (tableDepth_ == 1) {
          if (rowOpen_) CloseRow();
        } else {
          RequestBreak(Break::Line);
        }
        break;
      case Tag::Td: case Tag::Th:
        if (tableDepth_ == 1 && cellOpen_) CloseCell();
        break;
      default:
        break;
    }
  }

  void ListItem() {
    Level* list = nullptr;
    if (depth_ > kMaxLevels) {  // the innermost list is beyond those kept: no number known
      pendingMarker_ = ItemMarker::Bullet;
      pendingList_ = 1;
      return;
    }
    for (int i = (depth_ < kMaxLevels ? depth_ : kMaxLevels) - 1; i >= 0; --i) {
      if (levels_[i].kind == LevelKind::List) {
        list = &levels_[i];
        break;
      }
    }
    if (list == nullptr || !list->ordered) {
      pendingMarker_ = ItemMarker::Bullet;
      pendingList_ = 1;
      return;
    }
    pendingList_ = list->list;
    if (attributes_->has[TagAttributes::kValue])
      list->next = ParseAttributeNumber(text_, attributes_->begin[TagAttributes::kValue],
                                        attributes_->end[TagAttributes::kValue], list->next);
    pendingMarker_ = ItemMarker::Number;
    pendingNumber_ = list->next;
    pendingNumbering_ = list->numbering;
    if (attributes_->has[TagAttributes::kType])  // an item may number itself otherwise
      pendingNumbering_ = ListNumberingOf(AttributeBytes(TagAttributes::kType));
    if (list->reversed) {
      if (list->next > -1000000000) --list->next;
    } else if (list->next < 1000000000) {
      ++list->next;
    }
  }

  void Rule() {
    if (InOneLineCell()) return;
    if (tableDepth_ > 0 && !cellOpen_) OpenCell();
    if (open_) writer_.EndParagraph();
    Block block = CurrentBlock();
    block.marker = ItemMarker::None;
    block.spaced = started_ && !cellFresh_;
    writer_.Rule(block);
    open_ = false;
    started_ = true;
    cellFresh_ = false;
    pending_ = Break::Paragraph;
    pendingSpace_ = false;
  }

  // An attribute's value of the start tag decoded (UTF-8) into attribute_; false when the
  // tag has none.
  bool DecodedAttribute(TagAttributes::Name name, size_t& length) {
    if (!attributes_->has[name]) return false;
    length = DecodeAttributeValue(text_, attributes_->begin[name], attributes_->end[name],
                                  encoding_, attribute_, sizeof attribute_);
    return true;
  }

  // An element's name (its id, or an anchor's name): a place links can jump to.
  void ElementName(TagAttributes::Name attribute) {
    size_t length;
    if (DecodedAttribute(attribute, length) && length > 0) writer_.Bookmark(attribute_, length);
  }

  // <a>: a link to its address (none for one that would run code), and a place to jump to.
  void Anchor(const HtmlToken& token) {
    if (linkOpen_) {  // anchors do not nest: a new one ends the last
      writer_.LinkEnd();
      linkOpen_ = false;
    }
    if (token.end == token.begin) return;
    if (writer_.WantsPlaces()) {
      ElementName(TagAttributes::kName);
      ElementName(TagAttributes::kId);
    }
    if (!writer_.WantsLinks()) return;
    size_t length;
    if (!DecodedAttribute(TagAttributes::kHref, length)) return;
    size_t addressLength = 0;
    const LinkKind kind = MakeLinkAddress(std::string_view(attribute_, length),
                                          std::string_view(base_, baseLength_), address_,
                                          addressLength);
    if (kind == LinkKind::None) return;
    writer_.LinkStart(kind, address_, addressLength);
    linkOpen_ = true;
  }

  // <img>: its text in brackets, where it has one.
  void ImageText(const HtmlToken& token) {
    size_t length;
    if (token.end == token.begin || !DecodedAttribute(TagAttributes::kAlt, length)) return;
    size_t first = 0;
    while (first < length && static_cast<unsigned char>(attribute_[first]) <= 0x20) ++first;
    while (length > first && static_cast<unsigned char>(attribute_[length - 1]) <= 0x20) --length;
    if (first == length) return;
    Character('[');
    const auto* s = reinterpret_cast<const unsigned char*>(attribute_);
    for (size_t i = first; i < length;) {
      uint32_t cp;
      i += DecodeUtf8Character(s + i, length - i, cp);
      Character(cp);
    }
    pendingSpace_ = false;
    Character(']');
  }

  // <base href>: the address relative links are resolved against (the first one only).
  void BaseAddress(const HtmlToken& token) {
    size_t length;
    if (baseLength_ > 0 || token.end == token.begin || !DecodedAttribute(TagAttributes::kHref, length))
      return;
    size_t addressLength = 0;
    if (MakeLinkAddress(std::string_view(attribute_, length), {}, base_, addressLength) ==
            LinkKind::External &&
        std::string_view(base_, addressLength).find(':') != std::string_view::npos)
      baseLength_ = addressLength;
  }

  // An attribute's bytes as they stand on the page (none when the tag has none).
  std::string_view AttributeBytes(TagAttributes::Name name) const {
    if (!attributes_->has[name]) return {};
    return std::string_view(text_ + attributes_->begin[name],
                            attributes_->end[name] - attributes_->begin[name]);
  }

  // The start tag's style attribute read into style (nothing when it has none).
  void ReadStyleAttribute(InlineStyle& style) {
    size_t length;
    if (attributes_->has[TagAttributes::kStyle] && DecodedAttribute(TagAttributes::kStyle, length))
      ReadInlineStyle(std::string_view(attribute_, length), style);
  }

  // The style the start tag's attributes give (its style, a font's colour, an align).
  bool ReadLook(Tag tag, InlineStyle& style) {
    bool any = false;
    if (tag == Tag::Font && attributes_->has[TagAttributes::kColor] &&
        ParseColor(AttributeBytes(TagAttributes::kColor), style.color))
      any = style.hasColor = true;
    if (attributes_->has[TagAttributes::kStyle]) {  // (the style comes after: it wins)
      ReadStyleAttribute(style);
      any = true;
    }
    if (attributes_->has[TagAttributes::kAlign] && tag != Tag::Img && tag != Tag::Table) {
      const std::string_view align = AttributeBytes(TagAttributes::kAlign);
      auto is = [&](std::string_view word) { return IsWordInAnyCase(align, word); };
      if (style.align == TextAlign::None)
        style.align = is("center") ? TextAlign::Center : is("right") ? TextAlign::Right
                    : is("justify") ? TextAlign::Justify : is("left") ? TextAlign::Left
                    : TextAlign::None;
      any = true;
    }
    return any;
  }

  // Whether an element of tag has a look open.
  bool HasLook(Tag tag) const { return lookTags_[static_cast<unsigned>(tag)]; }
  // After the looks change: which tags have one that their end tag ends (those of a table's
  // parts end with the part), and how many change characters.
  void MarkLookTags() {
    std::fill(std::begin(lookTags_), std::end(lookTags_), false);
    formatLooks_ = 0;
    for (int i = 0; i < looks_; ++i) {
      const Look& look = look_[i];
      if (look.tag != Tag::Td && look.tag != Tag::Th && look.tag != Tag::Tr && look.tag != Tag::Table)
        lookTags_[static_cast<unsigned>(look.tag)] = true;
      formatLooks_ += look.bold >= 0 || look.italic >= 0 || look.underline >= 0 ||
                      look.strike >= 0 || look.monospace >= 0 || look.color != 0 || look.highlight != 0;
    }
  }

  // A start tag's look, kept up to its end tag (void elements have none).
  [[gnu::noinline]] void StartLook(Tag tag) {
    if (tag == Tag::Img || tag == Tag::Br || tag == Tag::Hr || tag == Tag::Meta ||
        tag == Tag::Base || tag == Tag::Title)
      return;
    InlineStyle style;
    const bool any = ReadLook(tag, style);
    if (!any && tag != Tag::Mark) return;
    if (tag == Tag::Mark && !style.hasBackground) {
      style.hasBackground = true;
      style.background = Rgb{255, 255, 0};
    }
    if (looks_ == kMaxLooks) return;
    Look& look = look_[looks_++];
    look = Look{tag, style.bold, style.italic, style.underline, style.strike, style.monospace,
                static_cast<uint8_t>(style.hasColor ? RtfColorIndex(style.color) : 0),
                static_cast<uint8_t>(style.hasBackground ? RtfColorIndex(style.background) : 0),
                style.align};
    MarkLookTags();
    Refresh();
    if (style.align != TextAlign::None) RequestBreak(Break::Line);
  }
  // The innermost look of an element of tag ends.
  void EndLook(Tag tag) {
    for (int i = looks_ - 1; i >= 0; --i) {
      if (look_[i].tag != tag) continue;
      const bool aligned = look_[i].align != TextAlign::None;
      std::copy(look_ + i + 1, look_ + looks_, look_ + i);
      --looks_;
      MarkLookTags();
      Refresh();
      if (aligned) RequestBreak(Break::Line);
      return;
    }
  }
  // The looks from the first-th on end (those of a cell, a row or a table).
  void EndLooksFrom(int first) {
    if (looks_ <= first) return;
    looks_ = first;
    MarkLookTags();
    Refresh();
  }

  // A document property from the page's bytes [begin, end) with references (the title's
  // text), blanks collapsed.
  void Property(DocumentProperty property, size_t begin, size_t end) {
    if (!writer_.WantsLooks()) return;
    const size_t length = DecodeAttributeValue(text_, begin, end, encoding_, attribute_, sizeof attribute_);
    size_t kept = 0;
    bool blank = true;  // (leading blanks go)
    for (size_t i = 0; i < length; ++i) {
      const char c = attribute_[i];
      const bool isBlank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
      if (isBlank && blank) continue;
      attribute_[kept++] = isBlank ? ' ' : c;
      blank = isBlank;
    }
    if (kept > 0 && attribute_[kept - 1] == ' ') --kept;
    if (kept > 0) writer_.Property(property, attribute_, kept);
  }
  // <meta name=author|description|keywords content=...>.
  void MetaProperty() {
    const std::string_view name = AttributeBytes(TagAttributes::kName);
    auto is = [&](std::string_view word) { return IsWordInAnyCase(name, word); };
    if (!attributes_->has[TagAttributes::kContent]) return;
    const size_t begin = attributes_->begin[TagAttributes::kContent];
    const size_t end = attributes_->end[TagAttributes::kContent];
    if (is("author")) Property(DocumentProperty::Author, begin, end);
    else if (is("description")) Property(DocumentProperty::Description, begin, end);
    else if (is("keywords")) Property(DocumentProperty::Keywords, begin, end);
  }

  // A width the tag's width attribute or style gives, in percent or in pixels.
  void ReadWidth(int& percent, int& pixels) {
    if (!attributes_->has[TagAttributes::kStyle] && !attributes_->has[TagAttributes::kWidth]) return;
    InlineStyle style;
    ReadStyleAttribute(style);
    percent = style.widthPercent;
    pixels = style.widthPixels;
    if (percent > 0 || pixels > 0 || !attributes_->has[TagAttributes::kWidth]) return;
    const std::string_view width = AttributeBytes(TagAttributes::kWidth);
    const long value = ParseAttributeNumber(width.data(), 0, width.size(), 0);
    if (value <= 0) return;
    if (width.find('%') != std::string_view::npos)
      percent = static_cast<int>(std::min(value, 100l));
    else
      pixels = static_cast<int>(std::min(value, 100000l));
  }
  // Whether a table's attributes or style draw lines between its cells.
  bool Bordered() {
    if (attributes_->has[TagAttributes::kBorder]) {
      const std::string_view border = AttributeBytes(TagAttributes::kBorder);
      // "border" alone (or with a value that is not a number) draws lines, as browsers do.
      if (ParseAttributeNumber(border.data(), 0, border.size(), 1) > 0) return true;
    }
    if (attributes_->has[TagAttributes::kRules] &&
        !IsWordInAnyCase(AttributeBytes(TagAttributes::kRules), "none"))
      return true;
    if (attributes_->has[TagAttributes::kFrame] &&
        !IsWordInAnyCase(AttributeBytes(TagAttributes::kFrame), "void"))
      return true;
    InlineStyle style;
    ReadStyleAttribute(style);
    return style.border;
  }
  // A cell's spans, its width and whether it is a header cell.
  CellShape ReadCellShape(bool header) {
    CellShape shape;
    shape.header = header;
    auto number = [&](TagAttributes::Name name) {
      return std::clamp(ParseAttributeNumber(text_, attributes_->begin[name], attributes_->end[name], 1),
                        1l, 1000l);
    };
    if (attributes_->has[TagAttributes::kColspan]) shape.span = static_cast<int>(number(TagAttributes::kColspan));
    if (attributes_->has[TagAttributes::kRowspan]) shape.rowSpan = static_cast<int>(number(TagAttributes::kRowspan));
    if (writer_.WantsLooks()) ReadWidth(shape.widthPercent, shape.widthPixels);
    return shape;
  }

  // <img> as a picture, where the writer shows pictures and finds the one it names.
  bool ShowPicture(const HtmlToken& token) {
    size_t length;
    if (!writer_.WantsLooks() || token.end == token.begin || !DecodedAttribute(TagAttributes::kSrc, length) ||
        length == 0)
      return false;
    auto dimension = [&](TagAttributes::Name name) {
      return attributes_->has[name]
                 ? ParseAttributeNumber(text_, attributes_->begin[name], attributes_->end[name], -1)
                 : -1l;
    };
    // A data: address may be longer than the decoded attribute holds: its bytes as they stand.
    std::string_view src(attribute_, length);
    const std::string_view raw = AttributeBytes(TagAttributes::kSrc);
    if (raw.size() >= 5 && (raw[0] | 0x20) == 'd' && (raw[1] | 0x20) == 'a' && (raw[2] | 0x20) == 't' &&
        (raw[3] | 0x20) == 'a' && raw[4] == ':')
      src = raw;
    if (!writer_.OpenPicture(src)) return false;
    PrepareContent();
    writer_.Picture(dimension(TagAttributes::kWidth), dimension(TagAttributes::kHeight));
    return true;
  }

  void OpenTable() {
    RequestBreak(Break::Paragraph);
    if (open_) writer_.EndParagraph();
    Block block = CurrentBlock();
    block.marker = ItemMarker::None;
    block.spaced = started_ && !cellFresh_;
    TableShape shape;
    if (writer_.WantsLooks()) {
      shape.bordered = Bordered();
      ReadWidth(shape.widthPercent, shape.widthPixels);
    }
    writer_.TableStart(block, shape);
    open_ = false;
    pending_ = Break::None;
    pendingSpace_ = false;
    tableDepth_ = 1;
    headSection_ = false;
    tableLooks_ = looks_;
  }
  void OpenRow() {
    writer_.RowStart(headSection_);
    rowOpen_ = true;
    rowLooks_ = looks_;
  }
  void OpenCell(const CellShape& shape = CellShape{}) {
    if (!rowOpen_) OpenRow();
    writer_.CellStart(shape);
    cellLooks_ = looks_;
    if (shape.header != headerCell_) {
      headerCell_ = shape.header;
      Refresh();
    }
    cellOpen_ = true;
    cellFresh_ = true;
    cellHasContent_ = false;
    open_ = false;
    pending_ = Break::None;
    pendingSpace_ = false;
    pendingMarker_ = ItemMarker::None;
  }
  void CloseCell() {
    if (open_) writer_.EndParagraph();
    writer_.CellEnd();
    EndLooksFrom(cellLooks_);
    if (headerCell_) {
      headerCell_ = false;
      Refresh();
    }
    open_ = false;
    cellOpen_ = false;
    cellFresh_ = false;
    pending_ = Break::None;
    pendingSpace_ = false;
  }
  void CloseRow() {
    if (cellOpen_) CloseCell();
    writer_.RowEnd();
    rowOpen_ = false;
    EndLooksFrom(rowLooks_);
  }
  void CloseTable() {
    if (rowOpen_) CloseRow();
    writer_.TableEnd();
    EndLooksFrom(tableLooks_);
    tableDepth_ = 0;
    started_ = true;
    pending_ = Break::Paragraph;
    pendingSpace_ = false;
  }

  const char* text_ = nullptr;  // the bytes the token being laid out indexes
  Writer& writer_;

  bool open_ = false;          // the writer has a paragraph open
  bool started_ = false;       // anything has been laid out
  Break pending_ = Break::None;
  bool pendingSpace_ = false;  // a blank between the last text and the next
  bool lineStart_ = false;     // nothing written on the line yet
  ItemMarker pendingMarker_ = ItemMarker::None;
  long pendingNumber_ = 0;
  ListNumbering pendingNumbering_ = ListNumbering::Decimal;
  int pendingList_ = 0;
  bool skipNewline_ = false;
  int pendingLines_ = 0;       // line feeds of preformatted text not yet written

  Level levels_[kMaxLevels] = {};
  int depth_ = 0;              // levels open (those past kMaxLevels only counted)
  int preDepth_ = 0;
  int centerDepth_ = 0;
  int heading_ = 0;
  int bold_ = 0;
  int subscript_ = 0;
  int superscript_ = 0;
  int italic_ = 0;
  int underline_ = 0;
  int strike_ = 0;
  int monospace_ = 0;
  CharacterFormat tagFormat_;  // as the depths above give it
  CharacterFormat format_;     // and the looks over it
  Look look_[kMaxLooks] = {};
  int looks_ = 0;
  bool lookTags_[static_cast<unsigned>(kLastTag) + 1] = {};  // the tags with a look open
  int formatLooks_ = 0;        // looks open that change characters (not alignments alone)
  bool layered_ = false;       // the format is more than the tags': looks or a header cell
  bool headerCell_ = false;    // the open cell is a th
  int tableLooks_ = 0, rowLooks_ = 0, cellLooks_ = 0;  // the looks open outside each
  bool headSection_ = false;   // rows are in the table's thead

  // Links.
  EncodingChoice encoding_;
  bool linkOpen_ = false;
  TagAttributes readAttributes_;     // the start tag's (those the writer uses)
  const TagAttributes* const attributes_ = &readAttributes_;
  char attribute_[kLongestAddress];  // an attribute's value, decoded
  // The open link's address; the writer reads it until LinkEnd.
  char address_[kLongestAddress];
  char base_[kLongestAddress];       // <base href>, when the page has one
  size_t baseLength_ = 0;

  int tableDepth_ = 0;
  bool rowOpen_ = false;
  bool cellOpen_ = false;
  bool cellFresh_ = false;       // no paragraph yet in the open cell
  bool cellHasContent_ = false;  // one-line cells: something written in the open cell
};

}  // namespace vellumine
