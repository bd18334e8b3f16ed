// "バージョン情報" in Qt.
#pragma once

#include <QDialog>
#include <string>

namespace ui::qt {

class AboutBox : public QDialog {
 public:
  explicit AboutBox(const std::string& version);
};

}  // namespace ui::qt
