#include "platform/Settings.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

#include "platform/detail/QtBridge.h"

namespace platform {
namespace {

using detail::ToQString;

// Sections and keys form the QSettings key "section/key".
QString KeyOf(std::string_view section, std::string_view key) {
  return ToQString(section) + QLatin1Char('/') + ToQString(key);
}

}  // namespace

struct Settings::Impl {
  template <typename... Args>
  explicit Impl(Args&&... args) : settings(std::forward<Args>(args)...) {}
  QSettings settings;
};

Settings::Settings()
    : impl_(std::make_unique<Impl>(QSettings::IniFormat, QSettings::UserScope, ToQString(kSettingsOrganisation),
                                   ToQString(kSettingsApplication))) {}

Settings::Settings(const std::string& iniPath)
    : impl_(std::make_unique<Impl>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

Settings::~Settings() = default;

std::string Settings::FilePath() const { return impl_->settings.fileName().toStdString(); }

int Settings::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
  QVariant value = impl_->settings.value(KeyOf(section, key));
  bool ok = false;
  int result = value.toInt(&ok);
  return ok ? result : defaultValue;
}

void Settings::SetInt(std::string_view section, std::string_view key, int value) {
  impl_->settings.setValue(KeyOf(section, key), value);
}

std::string Settings::GetString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  QVariant value = impl_->settings.value(KeyOf(section, key));
  if (!value.isValid() || value.typeId() == QMetaType::QByteArray) return std::string(defaultValue);
  // An unquoted comma in a hand-edited file makes the INI reader split the
  // text into a list; put it back together.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", ")).toStdString();
  return value.toString().toStdString();
}

void Settings::SetString(std::string_view section, std::string_view key, std::string_view value) {
  impl_->settings.setValue(KeyOf(section, key), ToQString(value));
}

bool Settings::GetBinary(std::string_view section, std::string_view key, std::vector<std::uint8_t>& out) const {
  QVariant value = impl_->settings.value(KeyOf(section, key));
  if (value.typeId() != QMetaType::QByteArray) return false;
  QByteArray bytes = value.toByteArray();
  out.assign(bytes.begin(), bytes.end());
  return true;
}

void Settings::SetBinary(std::string_view section, std::string_view key, const std::vector<std::uint8_t>& value) {
  QByteArray bytes(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size()));
  impl_->settings.setValue(KeyOf(section, key), bytes);
}

bool Settings::Contains(std::string_view section, std::string_view key) const {
  return impl_->settings.contains(KeyOf(section, key));
}

void Settings::Remove(std::string_view section, std::string_view key) {
  impl_->settings.remove(key.empty() ? ToQString(section) : KeyOf(section, key));
}

bool Settings::Sync() {
  impl_->settings.sync();
  return impl_->settings.status() == QSettings::NoError;
}

}  // namespace platform
