#include "MarkDOM/pullparser.h"

#include <gtest/gtest.h>

#include <string>

#include "MarkDOM/domexception.h"

namespace {

// The tokens of `text` in a short form: "<a" start, "</a" end (also from
// "/>"), "@n=v" attribute, "#v" text; separated by blanks.
std::string tokens(const char* text) {
  DOMPullParser parser(text);
  std::string out;
  for (int kind; (kind = parser.next()) != DOMPullParser::END;) {
    if (!out.empty()) out += ' ';
    switch (kind) {
      case DOMPullParser::ELEMENT:
        out += std::string(parser.isEndTag() ? "</" : "<") + parser.getName();
        break;
      case DOMPullParser::ATTRIBUTE:
        out += std::string("@") + parser.getName() + "=" + parser.getValue();
        break;
      case DOMPullParser::TEXT:
        EXPECT_STREQ(parser.getName(), "#text");
        out += std::string("#") + parser.getValue();
        break;
      default:
        ADD_FAILURE() << "kind " << kind;
        return out;
    }
  }
  EXPECT_EQ(parser.next(), DOMPullParser::END);  // stays at the end
  return out;
}

// The code that parsing the whole of `text` throws; 0 when it throws none.
int failure(const char* text) {
  try {
    tokens(text);
  } catch (const DOMException& e) {
    return e.getCode();
  }
  return 0;
}

TEST(DOMPullParser, TokensOfWellFormedTexts) {
  const struct {
    const char* text;
    const char* tokens;
  } cases[] = {
      {"<a/>", "<a </a"},
      {"<a></a>", "<a </a"},
      {"<a >hi</a >", "<a #hi </a"},
      {"<Point Lat=\"1.5\" Lng='-2'/>", "<Point @Lat=1.5 @Lng=-2 </Point"},
      {"<a b = \"x y\"\n c=v-1_2.3:4/5>t</a>", "<a @b=x y @c=v-1_2.3:4/5 #t </a"},
      // "/>" ends an unquoted value and the element.
      {"<a href=/x/y/>", "<a @href=/x/y </a"},
      {"<x:y-z.1_/>", "<x:y-z.1_ </x:y-z.1_"},
      // Text keeps its blanks, and white space alone is text too.
      {"<a> two words </a>", "<a # two words  </a"},
      {"<p><b>a</b> <i>b</i></p>", "<p <b #a </b #  <i #b </i </p"},
      {"<a>\n  <b/>\n</a>\n", "<a #\n   <b </b #\n </a #\n"},
      {"\t<a/>", "#\t <a </a"},
      {"<a>x<b/>y</a>", "<a #x <b </b #y </a"},
      // Comments, processing instructions and declarations are skipped.
      {"<?xml version=\"1.0\"?><!-- <c/> --><a><!--x-->b</a>", "<a #b </a"},
      {"<!DOCTYPE a [<!ENTITY e \"v\">]><a/>", "<a </a"},
      {"<a><![CDATA[<b>]]></a>", "<a </a"},
      // The parser checks tokens, not their nesting.
      {"</a><b>", "</a <b"},
      {"text", "#text"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tokens(c.text), c.tokens) << c.text;
  }
}

TEST(DOMPullParser, DecodesEntitiesInTextAndValues) {
  const struct {
    const char* text;
    const char* decoded;
  } cases[] = {
      {"&quot;&lt;&gt;&apos;&amp;", "\"<>'&"},
      {"&LT;&Amp;&QuOt;", "<&\""},  // case does not matter
      {"&#65;&#x41;&#x6a;&#x6A;&#0065;", "AAjjA"},
      {"&#255;", "\xff"},
      {"&#1;", "\x01"},
      // Not entities: the '&' stays as it is.
      {"&#0; &#300; &#x100; &#256;", "&#0; &#300; &#x100; &#256;"},
      {"&#99999999999999999999999999999999;", "&#99999999999999999999999999999999;"},
      {"&#xffffffffffffffffffffffffffff41;", "&#xffffffffffffffffffffffffffff41;"},
      {"&#x100000041; &#4294967361;", "&#x100000041; &#4294967361;"},  // 2^32 + 65
      {"&#; &#x; &#65 &#x41 &#X41; &#6a;", "&#; &#x; &#65 &#x41 &#X41; &#6a;"},
      {"&amp &lt &foo; & &", "&amp &lt &foo; & &"},
      {"&&amp;&", "&&&"},
      {"a&", "a&"},
  };
  for (const auto& c : cases) {
    const std::string text = std::string("<e>") + c.text + "</e>";
    EXPECT_EQ(tokens(text.c_str()), std::string("<e #") + c.decoded + " </e") << c.text;
    const std::string attribute = std::string("<e v=\"") + c.text + "\"/>";
    EXPECT_EQ(tokens(attribute.c_str()), std::string("<e @v=") + c.decoded + " </e") << c.text;
  }
}

TEST(DOMPullParser, MalformedTextsThrow103) {
  const char* cases[] = {
      "",                   // empty
      "<",                  // a name is missing
      "<1a/>",              // names start with a letter
      "<_a/>",
      "< a/>",
      "</>",
      "</a",                // end of text inside an end tag
      "</a b>",
      "<a",                 // end of text inside a start tag
      "<a b",
      "<a b=",
      "<a b>",              // an attribute needs a value
      "<a =\"v\">",
      "<a b=\"v>",          // unterminated quote
      "<a b='v>",
      "<a b=>",
      "<a b=%>",            // not an unquoted value character
      "<a / >",
      "<a><!-- open",       // unterminated comment, instruction, declaration
      "<a><!-->",
      "<?xml",
      "<?>",
      "<!DOCTYPE a",
      "<!DOCTYPE a [<!ENTITY e \"v\">",
      "<a><![CDATA[x</a>",
      "<a>\xc3\xa9</a><\xc3\xa9/>",  // names are ASCII
  };
  for (const char* text : cases) {
    EXPECT_EQ(failure(text), 103) << text;
  }
  try {
    DOMPullParser parser(nullptr);
    ADD_FAILURE() << "null text accepted";
  } catch (const DOMException& e) {
    EXPECT_EQ(e.getCode(), 103);
    EXPECT_STREQ(e.getMessage(), "\n MarkDOM: Fatal Error During Parsing: Check the document\n");
  }
}

TEST(DOMPullParser, NamesAndValuesHaveNoLengthLimit) {
  const std::string name = "n" + std::string(100000, 'x');
  const std::string value(200000, 'v');
  const std::string text = "<" + name + " " + name + "=\"" + value + "\">" + value + "</" + name + ">";
  DOMPullParser parser(text.c_str());
  ASSERT_EQ(parser.next(), DOMPullParser::ELEMENT);
  EXPECT_EQ(parser.getName(), name);
  ASSERT_EQ(parser.next(), DOMPullParser::ATTRIBUTE);
  EXPECT_EQ(parser.getName(), name);
  EXPECT_EQ(parser.getValue(), value);
  ASSERT_EQ(parser.next(), DOMPullParser::TEXT);
  EXPECT_EQ(parser.getValue(), value);
  ASSERT_EQ(parser.next(), DOMPullParser::ELEMENT);
  EXPECT_TRUE(parser.isEndTag());
  EXPECT_EQ(parser.getName(), name);
  EXPECT_EQ(parser.next(), DOMPullParser::END);
}

TEST(DOMPullParser, WorksOnItsOwnCopy) {
  char text[] = "<a>b</a>";
  DOMPullParser parser(text);
  text[1] = '!';
  text[3] = 'c';
  ASSERT_EQ(parser.next(), DOMPullParser::ELEMENT);
  EXPECT_STREQ(parser.getName(), "a");
  ASSERT_EQ(parser.next(), DOMPullParser::TEXT);
  EXPECT_STREQ(parser.getValue(), "b");
}

}  // namespace
