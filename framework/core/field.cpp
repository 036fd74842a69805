#include "framework/core/field.h"

#include <algorithm>
#include <cstring>

#include "framework/core/database_error.h"
#include "framework/core/dataset.h"
#include "framework/core/db_consts.h"

namespace vexilo::framework {

TField::TField(TFieldType dataType) : FDataType(dataType) {}

TField::~TField() = default;

void TField::SetFieldName(std::u16string value) {
  CheckInactive();
  FFieldName = std::move(value);
}

void TField::SetFieldKind(TFieldKind value) {
  CheckInactive();
  FFieldKind = value;
}

void TField::SetSize(int32_t value) {
  CheckInactive();
  FSize = value;
}

int TField::Index() const { return FDataSet != nullptr ? FDataSet->Fields().IndexOf(*this) : -1; }

void TField::SetDisplayLabel(std::u16string value) {
  if (FDisplayLabel == value) return;
  FDisplayLabel = std::move(value);
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int32_t value) {
  if (FDisplayWidth == value) return;
  FDisplayWidth = value;
  PropertyChanged(true);
}

void TField::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  PropertyChanged(false);
}

bool TField::CanModify() const {
  if (FDataSet == nullptr || FReadOnly) return false;
  if (FFieldKind != TFieldKind::fkData && FFieldKind != TFieldKind::fkInternalCalc) return false;
  if (FDataSet->State() == TDataSetState::dsSetKey) return true;
  return FDataSet->CanModify();
}

void TField::SetAsVariant(const TVariant& value) {
  struct Visitor {
    TField& field;
    void operator()(std::monostate) const { field.Clear(); }
    void operator()(bool b) const { field.SetAsBoolean(b); }
    void operator()(int64_t i) const { field.SetAsLargeInt(i); }
    void operator()(double d) const { field.SetAsFloat(d); }
    void operator()(const std::u16string& s) const { field.SetAsString(s); }
  };
  std::visit(Visitor{*this}, value);
}

void TField::Clear() { SetData({}); }

std::u16string TField::DisplayText() {
  if (OnGetText) {
    std::u16string text;
    OnGetText(*this, text, true);
    return text;
  }
  return GetText(true);
}

std::u16string TField::Text() {
  if (OnGetText) {
    std::u16string text;
    OnGetText(*this, text, false);
    return text;
  }
  return GetText(false);
}

void TField::SetText(std::u16string_view value) {
  if (OnSetText) {
    OnSetText(*this, std::u16string(value));
  } else {
    SetAsString(value);
  }
}

bool TField::GetData(std::span<std::byte> buffer) {
  if (FDataSet == nullptr) throw EDatabaseError::CreateFmt(dbconsts::SDataSetMissing, {DisplayName()});
  if (FValidating) {
    // OnValidate reads the value about to be written.
    if (!buffer.empty() && !FValueBuffer.empty()) {
      std::memcpy(buffer.data(), FValueBuffer.data(), std::min(buffer.size(), FValueBuffer.size()));
    }
    return !FValueBuffer.empty();
  }
  return FDataSet->GetFieldData(*this, buffer);
}

void TField::SetData(std::span<const std::byte> buffer) {
  if (FDataSet == nullptr) throw EDatabaseError::CreateFmt(dbconsts::SDataSetMissing, {DisplayName()});
  FDataSet->SetFieldData(*this, buffer);
}

void TField::Validate(std::span<const std::byte> buffer) {
  if (!OnValidate) return;
  struct Reset {
    TField& field;
    ~Reset() {
      field.FValidating = false;
      field.FValueBuffer = {};
    }
  } reset{*this};
  FValidating = true;
  FValueBuffer = buffer;
  OnValidate(*this);
}

void TField::FocusControl() {
  if (FDataSet == nullptr || !FDataSet->Active()) return;
  TField* field = this;
  TDataEventInfo info;
  info.FocusField = &field;
  FDataSet->DataEvent(TDataEvent::deFocusControl, info);
}

bool TField::GetIsNull() { return !GetData({}); }

std::u16string TField::GetAsString() { AccessError(u"String"); }
int32_t TField::GetAsInteger() { AccessError(u"Integer"); }
int64_t TField::GetAsLargeInt() { AccessError(u"Largeint"); }
double TField::GetAsFloat() { AccessError(u"Float"); }
bool TField::GetAsBoolean() { AccessError(u"Boolean"); }
TDateTime TField::GetAsDateTime() { AccessError(u"DateTime"); }
TVariant TField::GetAsVariant() { AccessError(u"Variant"); }
void TField::SetAsStringValue(std::u16string_view) { AccessError(u"String"); }
void TField::SetAsIntegerValue(int32_t) { AccessError(u"Integer"); }
void TField::SetAsLargeIntValue(int64_t) { AccessError(u"Largeint"); }
void TField::SetAsFloatValue(double) { AccessError(u"Float"); }
void TField::SetAsBooleanValue(bool) { AccessError(u"Boolean"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError(u"DateTime"); }

std::u16string TField::GetText(bool) { return GetAsString(); }

void TField::AccessError(std::u16string_view typeName) const {
  throw EDatabaseError::CreateFmt(dbconsts::SFieldAccessError, {DisplayName(), typeName});
}

void TField::CheckInactive() const {
  if (FDataSet != nullptr) FDataSet->CheckInactive();
}

void TField::PropertyChanged(bool layoutAffected) {
  if (FDataSet != nullptr && FDataSet->Active()) {
    FDataSet->DataEvent(layoutAffected ? TDataEvent::deLayoutChange : TDataEvent::deDataSetChange);
  }
}

}  // namespace vexilo::framework
