// A non-modal panel of controls built from a PanelSpec: each row a line of
// labels and fields, so the panel reads as the sentence it describes.
//
// The program reads what the user left in a control as of the last poll:
// user edits collect as pending values and become the panel's model only in
// commit(), which the toolkit calls once per poll.
#pragma once

#include <QGroupBox>
#include <map>
#include <string>
#include <vector>

#include "ui/toolkit.h"

class QButtonGroup;

namespace qmxv::ui::qt {

class Panel : public QGroupBox {
 public:
  Panel(const PanelSpec& desc, QWidget* parent);

  const PanelSpec& desc() const { return spec_; }
  bool has(const std::string& control) const { return controls_.count(control) != 0; }

  void put_text(const std::string& control, const std::string& text);
  void put_int(const std::string& control, long long value);
  void put_real(const std::string& control, double value, const std::string& format);
  void set_range(const std::string& control, int lo, int hi);
  void set_labels(const std::string& control, const std::vector<std::string>& labels);
  void show_control(const std::string& control, bool visible);

  long long get_int(const std::string& control);
  double get_real(const std::string& control);
  std::string get_text(const std::string& control) const;

  // Moves the user's pending edits into the model.
  void commit();

  // The widget that shows a control (for tests and screenshots).
  QWidget* widget(const std::string& control) const;

 private:
  struct Entry {
    Control desc;
    QWidget* widget = nullptr;
    QButtonGroup* group = nullptr;  // Radio
    // The model, as the program sees it.
    long long i = 0;
    double r = 0.0;
    std::string text;
    int lo = 0, hi = 0;
    bool ranged = false;
    bool pressed = false;
    // What the user did since the last commit.
    bool dirty = false;
    long long pending_i = 0;
    std::string pending_text;
    int presses = 0;
  };

  QWidget* make_widget(Entry& e);
  void build_radio(Entry& e);
  Entry& entry(const std::string& control);
  const Entry& entry(const std::string& control) const;
  void show_value(Entry& e);
  void mark(const std::string& control, long long value, const std::string& text = {});

  PanelSpec spec_;
  std::map<std::string, Entry> controls_;
};

}  // namespace qmxv::ui::qt
