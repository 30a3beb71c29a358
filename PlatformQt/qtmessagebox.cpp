#include "PlatformQt/qtmessagebox.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

// The questions asked so far in this process: the index of the next answer.
size_t g_questions_asked = 0;

void print_line(const char* tag, const char* text) {
  std::string line(text != nullptr ? text : "");
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::printf("%s: %s\n", tag, line.c_str());
  std::fflush(stdout);
}

std::string trimmed_lower(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  std::string out = text.substr(begin, end - begin);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Entry `index` of TESSEL_ANSWERS is "yes"; anything else, or none, is no.
bool scripted_answer(size_t index) {
  const char* answers = std::getenv("TESSEL_ANSWERS");
  if (answers == nullptr) return false;
  const std::string list(answers);
  size_t start = 0;
  for (size_t i = 0; i < index; ++i) {
    start = list.find(',', start);
    if (start == std::string::npos) return false;
    ++start;
  }
  const size_t end = list.find(',', start);
  return trimmed_lower(list.substr(start, end == std::string::npos ? end : end - start)) == "yes";
}

}  // namespace

bool unattended() {
  const char* setting = std::getenv("TESSEL_UNATTENDED");
  return setting != nullptr && std::strcmp(setting, "1") == 0;
}

void show_box(QWidget* parent, const char* text, unsigned type) {
  if (unattended()) {
    print_line("box", text);
    return;
  }
  const QMessageBox::Icon icon =
      (type & 0xF0) == MB_ICONSTOP ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(icon, QGuiApplication::applicationDisplayName(),
                  QString::fromUtf8(text != nullptr ? text : ""), QMessageBox::Ok, parent);
  box.exec();
}

bool ask_yes_no(QWidget* parent, const char* text) {
  if (unattended()) {
    print_line("question", text);
    return scripted_answer(g_questions_asked++);
  }
  QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
                  QString::fromUtf8(text != nullptr ? text : ""),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

QtMessageBox::QtMessageBox(QWidget* parent) : parent_(parent) {}

void QtMessageBox::show(const char* text, unsigned type) { show_box(parent_, text, type); }

}  // namespace platform
