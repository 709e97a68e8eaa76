#include "app/cmdopt.h"

#include "platform/console.h"

namespace cmdopt {

bool parser::parse(const std::string& text) {
  errors_.clear();
  others_.clear();
  std::vector<std::string> words;
  if (!split(text, words)) return false;
  for (const std::string& word : words) platform::ConsoleWrite("\"" + word + "\"\n", platform::kConsolePlain);
  return read_words(words);
}

bool parser::split(const std::string& text, std::vector<std::string>& words) {
  bool inQuote = false;
  std::string word;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      inQuote = !inQuote;
    } else if (c == ' ' && !inQuote) {
      // Every blank ends a word, so two blanks in a row give an empty word.
      words.push_back(std::move(word));
      word.clear();
    } else if (c == '\\') {
      if (i + 1 == text.size()) {
        errors_.push_back("unexpected occurrence of '\\' at end of string");
        return false;
      }
      word += text[++i];
    } else {
      word += c;
    }
  }
  if (inQuote) {
    errors_.push_back("quote is not closed");
    return false;
  }
  if (!word.empty()) words.push_back(std::move(word));
  return true;
}

bool parser::read_words(const std::vector<std::string>& words) {
  if (words.empty()) {
    errors_.push_back("argument number must be longer than 0");
    return false;
  }

  std::map<char, std::string> shortNames;
  for (const auto& [name, option] : options_) {
    const char letter = option->short_letter();
    if (name.empty() || letter == 0) continue;
    if (shortNames.count(letter) != 0) {
      errors_.push_back(std::string("short option '") + letter + "' is ambiguous");
      return false;
    }
    shortNames[letter] = name;
  }

  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool hasNext = i + 1 < words.size();
    if (word.compare(0, 2, "--") == 0) {
      const std::size_t equals = word.find('=', 2);
      if (equals != std::string::npos) {
        assign_value(word.substr(2, equals - 2), word.substr(equals + 1));
        continue;
      }
      const std::string name = word.substr(2);
      const auto found = options_.find(name);
      if (found == options_.end()) {
        errors_.push_back("undefined option: --" + name);
      } else if (!found->second->takes_value()) {
        assign_flag(name);
      } else if (!hasNext) {
        errors_.push_back("option needs value: --" + name);
      } else {
        // The next word is the value whatever it looks like, even another option.
        assign_value(name, words[++i]);
      }
    } else if (!word.empty() && word[0] == '-') {
      for (std::size_t j = 1; j < word.size(); ++j) {
        const char letter = word[j];
        const auto found = shortNames.find(letter);
        if (found == shortNames.end()) {
          errors_.push_back(std::string("undefined short option: -") + letter);
        } else if (j + 1 == word.size() && hasNext && options_.at(found->second)->takes_value()) {
          assign_value(found->second, words[++i]);
        } else {
          assign_flag(found->second);
        }
      }
    } else {
      others_.push_back(word);
    }
  }

  for (const auto& [name, option] : options_) {
    if (!option->is_valid()) errors_.push_back("need option: --" + name);
  }
  return errors_.empty();
}

void parser::assign_value(const std::string& name, const std::string& value) {
  const auto found = options_.find(name);
  if (found == options_.end()) {
    errors_.push_back("undefined option: --" + name);
  } else if (!found->second->assign(value)) {
    errors_.push_back("option value is invalid: --" + name + "=" + value);
  }
}

void parser::assign_flag(const std::string& name) {
  const auto found = options_.find(name);
  if (found == options_.end()) {
    errors_.push_back("undefined option: --" + name);
  } else if (!found->second->assign()) {
    errors_.push_back("option needs value: --" + name);
  }
}

std::string parser::error_text() const {
  std::string text;
  for (const std::string& message : errors_) text += message + "\n";
  return text;
}

}  // namespace cmdopt
