#include "MarkDOM/domdocument.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "MarkDOM/domexception.h"
#include "MarkDOM/domtree.h"
#include "MarkDOM/pullparser.h"

namespace {

[[noreturn]] void malformed() { throw DOMException(DOM_PARSE_ERR); }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole content of the file `path`; 101 when it cannot be read, 103 when
// it holds a NUL byte (which would silently cut the text short).
std::string readDocumentFile(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(path != nullptr ? std::fopen(path, "rb") : nullptr);
  if (file == nullptr) throw DOMException(DOM_FILE_ERR);
  std::string content;
  char block[65536];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) content.append(block, got);
  if (std::ferror(file.get())) throw DOMException(DOM_FILE_ERR);
  if (content.find('\0') != std::string::npos) malformed();
  return content;
}

DOMTreeNode* newDocumentNode() try {
  return (new DOMTree)->document();
} catch (const std::bad_alloc&) {
  throw DOMException(DOM_NO_MEMORY_ERR);
}

}  // namespace

DOMDocument::DOMDocument() : DOMNode(newDocumentNode()) {}

DOMDocument DOMDocument::load(const char* source, bool fromFile) try {
  // The parser keeps a copy of its own, so the file's content goes at once.
  DOMPullParser parser(fromFile ? readDocumentFile(source).c_str() : source);

  // Until the end of the text, the document is held by its handle, so that a
  // failure frees all that was built.
  DOMDocument document;
  DOMTreeNode* top = document.node_;
  DOMTree& tree = *top->tree;
  DOMTreeNode* current = top;
  for (;;) {
    switch (parser.next()) {
      case DOMPullParser::END:
        // Elements still open stay in the tree as they are.
        return document;
      case DOMPullParser::ELEMENT:
        if (parser.isEndTag()) {
          // An end tag closes the current element; the document is none.
          if (current == top || !hasName(*current, parser.getName())) malformed();
          current = current->parent;
        } else {
          DOMTreeNode* element = tree.make(ELEMENT_NODE, parser.getName(), nullptr);
          current->append(element);
          current = element;
        }
        break;
      case DOMPullParser::ATTRIBUTE:
        // Attributes come only inside a start tag, so `current` is its element.
        current->append(tree.make(ATTRIBUTE_NODE, parser.getName(), parser.getValue()));
        break;
      case DOMPullParser::TEXT:
        current->append(tree.make(TEXT_NODE, "#text", parser.getValue()));
        break;
    }
  }
} catch (const std::bad_alloc&) {
  throw DOMException(DOM_NO_MEMORY_ERR);
}

DOMNode DOMDocument::createElement(const char* tagName) try {
  return DOMNode(need()->tree->make(ELEMENT_NODE, tagName, nullptr));
} catch (const std::bad_alloc&) {
  throw DOMException(DOM_NO_MEMORY_ERR);
}

DOMNode DOMDocument::createAttribute(const char* name, const char* value) try {
  return DOMNode(need()->tree->make(ATTRIBUTE_NODE, name, value));
} catch (const std::bad_alloc&) {
  throw DOMException(DOM_NO_MEMORY_ERR);
}

DOMNode DOMDocument::createTextNode(const char* data) try {
  return DOMNode(need()->tree->make(TEXT_NODE, "#text", data));
} catch (const std::bad_alloc&) {
  throw DOMException(DOM_NO_MEMORY_ERR);
}
