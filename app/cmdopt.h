#pragma once
// A small command-line parser: options are registered by name with a type and a default, a text
// is split into words (blanks separate, double quotes group, a backslash takes the next byte
// literally) and read. Parsing never throws; what went wrong is in error_text(). Only add and get
// throw, and only for mistakes of the program that registers the options.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <locale>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace cmdopt {

class cmdopt_error : public std::exception {
 public:
  explicit cmdopt_error(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

template <typename T>
struct default_reader;

template <>
struct default_reader<std::string> {
  std::string operator()(const std::string& text) const { return text; }
};

template <>
struct default_reader<std::int32_t> {
  // A whole decimal number in range: leading white space and a sign are accepted, nothing after.
  std::int32_t operator()(const std::string& text) const {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    std::int32_t value = 0;
    if (!(in >> value) || !in.eof()) throw std::bad_cast();
    return value;
  }
};

class parser {
 public:
  class option_base {
   public:
    virtual ~option_base() = default;
    virtual bool takes_value() const = 0;
    virtual bool assign(const std::string& text) = 0;
    virtual bool assign() = 0;
    virtual bool is_given() const = 0;
    virtual bool is_valid() const = 0;
    virtual bool is_required() const = 0;
    virtual const std::string& name() const = 0;
    virtual char short_letter() const = 0;
  };

  template <typename T>
  class option_with_value : public option_base {
   public:
    option_with_value(std::string name, char shortLetter, bool required, const T& defaultValue)
        : name_(std::move(name)),
          short_letter_(shortLetter),
          required_(required),
          value_(defaultValue) {}

    bool takes_value() const override { return true; }
    bool assign() override { return false; }
    bool assign(const std::string& text) override {
      try {
        value_ = read(text);
      } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return false;
      }
      given_ = true;
      return true;
    }
    bool is_given() const override { return given_; }
    bool is_valid() const override { return !required_ || given_; }
    bool is_required() const override { return required_; }
    const std::string& name() const override { return name_; }
    char short_letter() const override { return short_letter_; }
    const T& value() const { return value_; }

   protected:
    virtual T read(const std::string& text) = 0;

   private:
    std::string name_;
    char short_letter_;
    bool required_;
    bool given_ = false;
    T value_;
  };

  template <typename T, typename F>
  class option_with_reader : public option_with_value<T> {
   public:
    using option_with_value<T>::option_with_value;

   protected:
    T read(const std::string& text) override { return F()(text); }
  };

  // Registers an option; a name registered before throws "multiple definition: <name>".
  template <typename T>
  void add(const std::string& name, char shortLetter = 0, bool required = false, const T& defaultValue = T()) {
    if (options_.count(name) != 0) throw cmdopt_error("multiple definition: " + name);
    options_.emplace(name, std::make_unique<option_with_reader<T, default_reader<T>>>(name, shortLetter, required,
                                                                                       defaultValue));
  }

  // Splits and reads `text`; true when no error arose.
  bool parse(const std::string& text);

  // The option's value, its default when it was not given.
  template <typename T>
  const T& get(const std::string& name) const {
    const auto found = options_.find(name);
    if (found == options_.end()) throw cmdopt_error("there is no flag: --" + name);
    const auto* option = dynamic_cast<const option_with_value<T>*>(found->second.get());
    if (option == nullptr) throw cmdopt_error("type mismatch flag '" + name + "'");
    return option->value();
  }

  // Words of the last parse that were neither an option nor an option's value.
  const std::vector<std::string>& rest() const { return others_; }

  // Every message of the last parse, in order, each followed by a newline.
  std::string error_text() const;

 private:
  bool split(const std::string& text, std::vector<std::string>& words);
  bool read_words(const std::vector<std::string>& words);
  void assign_value(const std::string& name, const std::string& value);
  void assign_flag(const std::string& name);

  std::map<std::string, std::unique_ptr<option_base>> options_;
  std::vector<std::string> others_;
  std::vector<std::string> errors_;
};

}  // namespace cmdopt
