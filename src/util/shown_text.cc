#include "util/shown_text.h"

#include <atomic>

namespace tav {

namespace {

std::atomic<TextTranslator> g_translator{nullptr};

}  // namespace

void SetTextTranslator(TextTranslator translator) { g_translator.store(translator); }

std::string ReplacePercentN(std::string text, int n) {
  const std::string number = std::to_string(n);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (text[i + 1] == '%') {
      ++i;
      continue;
    }
    if (text[i + 1] == 'n') {
      text.replace(i, 2, number);
      i += number.size() - 1;
    }
  }
  return text;
}

std::string TranslateText(const char* context, const char* source, const char* disambiguation,
                          int n) {
  if (source == nullptr) return {};
  if (TextTranslator translator = g_translator.load()) {
    return translator(context, source, disambiguation, n);
  }
  return n >= 0 ? ReplacePercentN(source, n) : std::string(source);
}

}  // namespace tav
