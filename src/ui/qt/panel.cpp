#include "ui/qt/panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "run/text_format.h"

namespace qmxv::ui::qt {

namespace {

// The width w of an edit descriptor such as "(G13.7)", 0 when it has none.
int descriptor_width(const std::string& format) {
  std::size_t i = format.find_first_of("0123456789");
  return i == std::string::npos ? 0 : std::atoi(format.c_str() + i);
}

int field_chars(const Control& c) {
  if (c.width_chars > 0) return c.width_chars;
  if (int w = descriptor_width(c.format); w > 0) return w;
  return c.kind == ControlKind::Integer ? 10 : 12;
}

// The fixed-pitch face of the desktop, so the digits of a field stay in
// place from one refresh to the next; some platforms name none.
QFont fixed_font() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (QFontInfo(f).fixedPitch()) return f;
  f.setFamilies({"monospace", "DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono", "Courier"});
  f.setStyleHint(QFont::Monospace);
  f.setFixedPitch(true);
  return f;
}

bool is_field(ControlKind k) {
  return k == ControlKind::Integer || k == ControlKind::Real;
}

// A read-only field: the value in a sunken box, as a field the program writes.
QLabel* make_display_field(int chars, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setFont(fixed_font());
  label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  label->setAutoFillBackground(true);
  label->setBackgroundRole(QPalette::Base);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMargin(1);
  label->setIndent(3);
  label->setFixedWidth(label->fontMetrics().horizontalAdvance(QString(chars, '0')) + 10);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

Panel::Panel(const PanelSpec& desc, QWidget* parent)
    : QGroupBox(q(desc.title), parent), spec_(desc) {
  setObjectName(q("panel:" + desc.name));
  auto* rows = new QVBoxLayout(this);
  rows->setSpacing(3);
  rows->setContentsMargins(8, 4, 8, 6);
  for (const auto& row : spec_.rows) {
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    bool expands = false;
    for (const auto& control : row) {
      Entry scratch;
      Entry& e = control.name.empty() ? scratch : controls_[control.name];
      e.desc = control;
      QWidget* w = make_widget(e);
      if (control.kind == ControlKind::Text) expands = true;
      line->addWidget(w, control.kind == ControlKind::Text ? 1 : 0);
    }
    if (!expands) line->addStretch(1);
    rows->addLayout(line);
  }
}

QWidget* Panel::make_widget(Entry& e) {
  const Control& c = e.desc;
  QWidget* w = nullptr;
  switch (c.kind) {
    case ControlKind::Label: {
      e.text = c.text;
      // The texts carry the blanks that separated them on a fixed-pitch
      // panel; the row's spacing does that here.
      w = new QLabel(q(c.text).trimmed(), this);
      break;
    }
    case ControlKind::Text: {
      auto* label = new QLabel(q(c.text), this);
      label->setTextFormat(Qt::PlainText);
      label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString(20, 'n')));
      e.text = c.text;
      w = label;
      break;
    }
    case ControlKind::Integer:
    case ControlKind::Real: {
      const int chars = field_chars(c);
      if (c.editable) {
        auto* edit = new QLineEdit(this);
        edit->setFont(fixed_font());
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(chars, '0')) + 14);
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(edit, &QLineEdit::textEdited, this,
                [this, name = c.name](const QString& t) { mark(name, 0, t.toStdString()); });
        w = edit;
      } else {
        auto* field = make_display_field(chars, this);
        // An integer is right-justified; a real is shown exactly as its edit
        // descriptor wrote it, blanks included.
        field->setAlignment((c.kind == ControlKind::Integer ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignVCenter);
        w = field;
      }
      break;
    }
    case ControlKind::Check: {
      auto* box = new QCheckBox(q(c.text), this);
      connect(box, &QCheckBox::clicked, this,
              [this, name = c.name](bool on) { mark(name, on ? 1 : 0); });
      w = box;
      break;
    }
    case ControlKind::Radio: {
      w = new QWidget(this);
      auto* layout = new QHBoxLayout(w);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->setSpacing(8);
      e.widget = w;
      build_radio(e);
      break;
    }
    case ControlKind::Menu: {
      auto* menu = new QComboBox(this);
      for (const auto& l : c.labels) menu->addItem(q(l));
      menu->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      connect(menu, &QComboBox::activated, this,
              [this, name = c.name](int index) { mark(name, index + 1); });
      if (!c.labels.empty()) e.i = 1;
      e.lo = 1;
      e.hi = static_cast<int>(c.labels.size());
      w = menu;
      break;
    }
    case ControlKind::Spin: {
      auto* spin = new QSpinBox(this);
      spin->setRange(INT_MIN, INT_MAX);
      spin->setValue(0);
      spin->setAlignment(Qt::AlignRight);
      const int chars = c.width_chars > 0 ? c.width_chars : 4;
      spin->setMinimumWidth(spin->fontMetrics().horizontalAdvance(QString(chars, '0')) + 36);
      connect(spin, &QSpinBox::valueChanged, this, [this, name = c.name](int v) { mark(name, v); });
      w = spin;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(q(c.text), this);
      connect(button, &QPushButton::clicked, this, [this, name = c.name] { mark(name, 1); });
      w = button;
      break;
    }
  }
  w->setObjectName(q(spec_.name + "." + c.name));
  e.widget = w;
  if (is_field(c.kind) || c.kind == ControlKind::Text) show_value(e);
  return w;
}

void Panel::build_radio(Entry& e) {
  auto* layout = static_cast<QHBoxLayout*>(e.widget->layout());
  if (e.group) {
    for (QAbstractButton* b : e.group->buttons()) {
      layout->removeWidget(b);
      delete b;
    }
    delete e.group;
  }
  e.group = new QButtonGroup(e.widget);
  for (std::size_t i = 0; i < e.desc.labels.size(); ++i) {
    const int value = i < e.desc.values.size() ? e.desc.values[i] : static_cast<int>(i) + 1;
    auto* button = new QRadioButton(q(e.desc.labels[i]), e.widget);
    e.group->addButton(button, value);
    layout->addWidget(button);
  }
  if (!e.group->buttons().isEmpty() && !e.group->button(static_cast<int>(e.i))) {
    e.i = e.group->id(e.group->buttons().front());
  }
  if (QAbstractButton* b = e.group->button(static_cast<int>(e.i))) b->setChecked(true);
  connect(e.group, &QButtonGroup::idClicked, this,
          [this, name = e.desc.name](int id) { mark(name, id); });
}

Panel::Entry& Panel::entry(const std::string& control) {
  auto it = controls_.find(control);
  if (it == controls_.end())
    throw std::logic_error("panel \"" + spec_.name + "\" has no control \"" + control + "\"");
  return it->second;
}

const Panel::Entry& Panel::entry(const std::string& control) const {
  return const_cast<Panel*>(this)->entry(control);
}

QWidget* Panel::widget(const std::string& control) const {
  return entry(control).widget;
}

// Signals of user edits land here; a control without a name is not read.
void Panel::mark(const std::string& control, long long value, const std::string& text) {
  auto it = controls_.find(control);
  if (control.empty() || it == controls_.end()) return;
  Entry& e = it->second;
  e.dirty = true;
  e.pending_i = value;
  e.pending_text = text;
  if (e.desc.kind == ControlKind::Button) ++e.presses;
}

// Writes the model's value into the widget without reporting it as an edit.
void Panel::show_value(Entry& e) {
  QSignalBlocker block(e.widget);
  switch (e.desc.kind) {
    case ControlKind::Label:
      static_cast<QLabel*>(e.widget)->setText(q(e.text).trimmed());
      break;
    case ControlKind::Text:
      static_cast<QLabel*>(e.widget)->setText(q(e.text));
      break;
    case ControlKind::Integer:
    case ControlKind::Real:
      if (auto* edit = qobject_cast<QLineEdit*>(e.widget))
        edit->setText(q(e.text).trimmed());
      else
        static_cast<QLabel*>(e.widget)->setText(q(e.text));
      break;
    case ControlKind::Check:
      static_cast<QCheckBox*>(e.widget)->setChecked(e.i != 0);
      break;
    case ControlKind::Radio:
      if (QAbstractButton* b = e.group->button(static_cast<int>(e.i))) b->setChecked(true);
      break;
    case ControlKind::Menu:
      static_cast<QComboBox*>(e.widget)->setCurrentIndex(static_cast<int>(e.i) - 1);
      break;
    case ControlKind::Spin:
      static_cast<QSpinBox*>(e.widget)->setValue(static_cast<int>(e.i));
      break;
    case ControlKind::Button:
      break;
  }
}

void Panel::put_text(const std::string& control, const std::string& text) {
  Entry& e = entry(control);
  e.text = text;
  e.dirty = false;
  show_value(e);
}

void Panel::put_int(const std::string& control, long long value) {
  Entry& e = entry(control);
  if (e.ranged) value = std::clamp<long long>(value, e.lo, e.hi);
  if (e.desc.kind == ControlKind::Menu && e.hi >= 1) value = std::clamp<long long>(value, 1, e.hi);
  e.i = value;
  e.r = static_cast<double>(value);
  e.text = std::to_string(value);
  e.dirty = false;
  show_value(e);
}

void Panel::put_real(const std::string& control, double value, const std::string& format) {
  Entry& e = entry(control);
  e.r = value;
  e.i = static_cast<long long>(value);
  const std::string& f = format.empty() ? e.desc.format : format;
  e.text = f.empty() ? free_item(value) : fortran_format(value, f);
  e.dirty = false;
  show_value(e);
}

void Panel::set_range(const std::string& control, int lo, int hi) {
  Entry& e = entry(control);
  if (hi < lo) return;
  e.lo = lo;
  e.hi = hi;
  e.ranged = true;
  e.i = std::clamp<long long>(e.i, lo, hi);
  if (auto* spin = qobject_cast<QSpinBox*>(e.widget)) {
    QSignalBlocker block(spin);
    spin->setRange(lo, hi);
  }
  if (e.dirty && e.desc.kind != ControlKind::Button)
    e.pending_i = std::clamp<long long>(e.pending_i, lo, hi);
  if (e.desc.kind == ControlKind::Spin || e.desc.kind == ControlKind::Integer) {
    e.text = std::to_string(e.i);
    show_value(e);
  }
}

void Panel::set_labels(const std::string& control, const std::vector<std::string>& labels) {
  Entry& e = entry(control);
  e.desc.labels = labels;
  if (e.desc.kind == ControlKind::Menu) {
    auto* menu = static_cast<QComboBox*>(e.widget);
    QSignalBlocker block(menu);
    menu->clear();
    for (const auto& l : labels) menu->addItem(q(l));
    e.lo = 1;
    e.hi = static_cast<int>(labels.size());
    e.i = labels.empty() ? 0 : std::clamp<long long>(e.i, 1, e.hi);
    show_value(e);
  } else if (e.desc.kind == ControlKind::Radio) {
    build_radio(e);
  }
}

void Panel::show_control(const std::string& control, bool visible) {
  entry(control).widget->setVisible(visible);
}

long long Panel::get_int(const std::string& control) {
  Entry& e = entry(control);
  if (e.desc.kind == ControlKind::Button) {
    const bool pressed = e.pressed;
    e.pressed = false;
    return pressed ? 1 : 0;
  }
  return e.i;
}

double Panel::get_real(const std::string& control) {
  return entry(control).r;
}

std::string Panel::get_text(const std::string& control) const {
  return entry(control).text;
}

void Panel::commit() {
  for (auto& [name, e] : controls_) {
    if (!e.dirty) continue;
    e.dirty = false;
    switch (e.desc.kind) {
      case ControlKind::Button:
        e.pressed = e.pressed || e.presses > 0;
        e.presses = 0;
        break;
      case ControlKind::Integer:
      case ControlKind::Real: {
        // A typed value counts when it reads as a number; otherwise the
        // field shows the model's value again.
        const std::string typed = e.pending_text;
        char* end = nullptr;
        const double v = std::strtod(typed.c_str(), &end);
        const std::string_view rest(end);
        const bool whole =
            end != typed.c_str() && std::all_of(rest.begin(), rest.end(), [](char ch) {
              return std::isspace(static_cast<unsigned char>(ch)) != 0;
            });
        if (whole && (e.desc.kind == ControlKind::Real ||
                      v == static_cast<double>(static_cast<long long>(v)))) {
          long long iv = static_cast<long long>(v);
          if (e.ranged) iv = std::clamp<long long>(iv, e.lo, e.hi);
          e.r = e.desc.kind == ControlKind::Real ? v : static_cast<double>(iv);
          e.i = e.desc.kind == ControlKind::Real ? static_cast<long long>(v) : iv;
          e.text = typed;
        } else {
          show_value(e);
        }
        break;
      }
      default:
        e.i = e.pending_i;
        e.r = static_cast<double>(e.i);
        e.text = std::to_string(e.i);
        break;
    }
  }
}

}  // namespace qmxv::ui::qt
