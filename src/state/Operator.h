// The operator's touch points: a text shown and acknowledged, the path box, the status line.
#pragma once

#include <string>

namespace quillon {

class Operator {
  public:
    virtual ~Operator() = default;
    // Shows one text (UTF-8, exactly as given) and returns only after the operator has seen it.
    // Callable from any thread; texts appear one at a time in the order sent.
    virtual void ShowMessage(const std::string& text) = 0;
    // The current text of the path box.
    virtual std::string ReadPathBox() = 0;
    // Replaces the text of the status line.
    virtual void WriteStatusLine(const std::string& text) = 0;
};

}  // namespace quillon
