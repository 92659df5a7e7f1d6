// HtmlParse: the tolerant HTML reader behind the HTML-to-XML conversion. htmlToTree walks a page
// once and builds an XML document under an element named "root": text becomes elements named
// "text", comments "comment", the document type "doctype"; each tag is classified by a few byte
// comparisons on its first letters, purely presentational tags are dropped so that the words of a
// sentence end up in one text element, and malformed nesting is absorbed by closing rules instead
// of being rejected. The object holds only its settings (which tags are dropped, how "&nbsp;" is
// decoded) and a cache of decoded characters; the state of one conversion lives only during
// htmlToTree, which works on explicit stacks, so a page may nest as deeply as it likes. One object
// belongs to one thread.
#pragma once

#include "base/string_buffer.h"
#include "markup/html_entities.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class TreeNode;

// The tag numbers of the classifier.
namespace HtmlTag {
constexpr int kHead = 1;
constexpr int kMeta = 2;
constexpr int kBody = 3;
constexpr int kTitle = 4;
constexpr int kBase = 5;
constexpr int kIsindex = 6;
constexpr int kLink = 7;
constexpr int kScript = 8;
constexpr int kStyle = 9;
constexpr int kAddress = 10;
constexpr int kBlockquote = 12;
constexpr int kCenter = 13;
constexpr int kDiv = 14;
constexpr int kHr = 15;
constexpr int kP = 16;
constexpr int kH1 = 17;
constexpr int kH6 = 22;
constexpr int kA = 23;
constexpr int kPre = 24;
constexpr int kForm = 25;
constexpr int kInput = 26;
constexpr int kSelect = 27;
constexpr int kOption = 28;
constexpr int kTextarea = 29;
constexpr int kDl = 30;
constexpr int kDt = 31;
constexpr int kDd = 32;
constexpr int kOl = 33;
constexpr int kUl = 34;
constexpr int kDir = 35;
constexpr int kMenu = 36;
constexpr int kLi = 37;
constexpr int kTable = 38;
constexpr int kCaption = 39;
constexpr int kCol = 40;
constexpr int kColgroup = 41;
constexpr int kThead = 42;
constexpr int kTfoot = 44;
constexpr int kTr = 45;
constexpr int kTd = 46;
constexpr int kTh = 47;
constexpr int kApplet = 48;
constexpr int kParam = 49;
constexpr int kImg = 50;
constexpr int kB = 51;
constexpr int kBig = 52;
constexpr int kFont = 53;
constexpr int kI = 54;
constexpr int kS = 55;
constexpr int kSmall = 56;
constexpr int kSpan = 57;
constexpr int kStrike = 58;
constexpr int kSub = 59;
constexpr int kSup = 60;
constexpr int kTt = 61;
constexpr int kU = 62;
constexpr int kBasefont = 63;
constexpr int kMap = 64;
constexpr int kArea = 65;
constexpr int kBr = 66;
constexpr int kDel = 67;
constexpr int kIns = 68;
constexpr int kNoscript = 69;
constexpr int kFrame = 70;
constexpr int kFrams = 71;
constexpr int kNoframes = 72;
constexpr int kIframe = 73;
constexpr int kBgsound = 74;
constexpr int kBlink = 75;
constexpr int kEmbed = 76;
constexpr int kMarquee = 77;
constexpr int kMulticol = 78;
constexpr int kNobr = 79;
constexpr int kNoembed = 80;
constexpr int kServer = 81;
constexpr int kWbr = 83;
constexpr int kButton = 84;
constexpr int kKbd = 85;
constexpr int kLabel = 86;
constexpr int kFieldset = 87;
constexpr int kLegend = 88;
constexpr int kOptgroup = 89;
constexpr int kObject = 90;
constexpr int kLayer = 91;
constexpr int kIlayer = 92;
constexpr int kNolayer = 93;
constexpr int kEm = 94;
constexpr int kStrong = 95;
// Its content is no part of the page until a script uses it.
constexpr int kTemplate = 96;
constexpr int kHtml = 7777;
// Any other name.
constexpr int kUnknown = 8888;
// Not a tag: no name, or one that does not begin with a letter.
constexpr int kNotATag = 9999;
} // namespace HtmlTag

// End tag: the text starts with "</"; empty tag: it ends with "/>"; otherwise a start tag.
enum class HtmlTagKind { Start, End, Empty };

class HtmlParse {
public:
    // Tag numbers below this can be dropped one by one.
    static constexpr int kDropTableSize = 200;

    // Drops b, big, font, i, s, small, strike, sub, sup, tt, u, center, br, em and strong; keeps
    // unknown tags; decodes "&nbsp;" as a blank.
    HtmlParse();
    HtmlParse(const HtmlParse&) = delete;
    HtmlParse& operator=(const HtmlParse&) = delete;

    // Settings. Dropped tags are ignored entirely, start and end.
    void setDropUnknownTags(bool drop) { m_dropUnknownTags = drop; }
    bool getDropUnknownTags() const { return m_dropUnknownTags; }
    // Numbers outside 0..kDropTableSize-1 are not in the table: never dropped by it.
    void setDropTag(int number, bool drop);
    bool isDropTag(int number) const;
    // How "&nbsp;" is decoded: 0 as one blank, 1 as the no-break space, any other value removes it.
    void setNbspMode(uint32_t mode) { m_nbspMode = mode; }
    uint32_t getNbspMode() const { return m_nbspMode; }

    // Builds the document of the NUL-terminated page, whose text is in `codePage`, and answers
    // its root, which belongs to the caller (TreeNode::destroyDocument or a ClsXml). Never null
    // for a non-null page; elements the page leaves open stay in the tree as they are.
    TreeNode* htmlToTree(const char* html, unsigned codePage);

    // The tag number of a (normalised) tag's text, with its kind and its lower-cased name.
    static int classifyTag(const char* tagText, HtmlTagKind& kind, StringBuffer& name);
    // The same for the `length` bytes at `tagText`, which need no terminator.
    static int classifyTag(const char* tagText, size_t length, HtmlTagKind& kind, StringBuffer& name);
    // Whether a start tag of that number opens an element that later content goes into.
    static bool isContainer(int number);
    // Whether an element of that (lower-case) name is a phrasing element, whose text joins the
    // text beside it without a blank.
    static bool joinsNeighbours(const char* name, size_t length);

    // Decodes page text (or an attribute value) in `codePage` in place: "&nbsp;" by the nbsp
    // mode, every numeric and every HTML5 named reference into its character in the code page, as
    // HTML reads them where they stand. A character the code page cannot hold stays written as
    // its reference.
    void decodeEntities(StringBuffer& text, unsigned codePage,
                        HtmlReferenceContext context = HtmlReferenceContext::Text);

private:
    // The bytes of `c` in `codePage`, or null when the code page has no such character.
    const std::string* characterText(char32_t c, unsigned codePage);
    // What a no-break space reference becomes; `named` for "&nbsp;", false for a number.
    const std::string* noBreakSpaceText(bool named, unsigned codePage);

    bool m_dropUnknownTags;
    bool m_dropTable[kDropTableSize];
    uint32_t m_nbspMode;

    // Characters already converted, for the code page they were made for (empty: unconvertible).
    unsigned m_characterCodePage = 0;
    std::unordered_map<char32_t, std::string> m_characterText;
    // Room for decoded text, kept from one text to the next.
    StringBuffer m_decoded;
};
