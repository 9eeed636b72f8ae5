#include "stream/reflect.h"

#include <map>

void RegisterStreamTypes();  // stream_types.cpp

namespace {

struct TRegistry {
  std::vector<std::unique_ptr<TTypeId>> types;
  std::map<std::u16string, TTypeId*, std::less<>> by_name;
  std::map<std::type_index, TTypeId*> by_type;
};

TRegistry& Registry() {
  static TRegistry* registry = new TRegistry;  // never destroyed: lookups may come while exiting
  // The stream layer's own classes are there from the first use; registering them uses the
  // registry, so the flag is set before.
  static bool stream_types = false;
  if (!stream_types) {
    stream_types = true;
    RegisterStreamTypes();
  }
  return *registry;
}

std::string Narrow(std::u16string_view text) { return TextToUtf8(text); }

// The value as the field's kind; a string field also takes a string literal.
std::any Coerced(const TFieldId& field, const std::any& value) {
  if (field.Kind() == TFieldId::STRING && value.type() == typeid(const char16_t*))
    return std::u16string(std::any_cast<const char16_t*>(value));
  return value;
}

std::string ValueKindName(const std::any& value) {
  const std::type_info& t = value.type();
  if (!value.has_value()) return "nothing";
  if (t == typeid(int32_t)) return "int";
  if (t == typeid(int64_t)) return "long";
  if (t == typeid(float)) return "float";
  if (t == typeid(double)) return "double";
  if (t == typeid(std::u16string)) return "string";
  if (t == typeid(std::shared_ptr<void>)) return "object";
  return "a value of another type";
}

const std::type_info& KindType(int32_t kind) {
  switch (kind) {
    case TFieldId::INT: return typeid(int32_t);
    case TFieldId::LONG: return typeid(int64_t);
    case TFieldId::FLOAT: return typeid(float);
    case TFieldId::DOUBLE: return typeid(double);
    case TFieldId::STRING: return typeid(std::u16string);
    default: return typeid(std::shared_ptr<void>);
  }
}

}  // namespace

std::u16string TFieldId::KindName() const {
  static const char16_t* const names[] = {u"", u"int", u"long", u"float", u"double", u"string", u"object"};
  return _kind >= 1 && _kind <= 6 ? names[_kind] : u"";
}

TTypeId* RegisterTypeId(std::u16string name, std::type_index type, std::type_index base, void* (*to_base)(void*)) {
  TRegistry& r = Registry();
  if (name.empty() || r.by_name.count(name) || r.by_type.count(type)) return nullptr;
  auto id = std::make_unique<TTypeId>();
  id->_name = std::move(name);
  id->_type = type;
  id->_base = base;
  id->_to_base = to_base;
  TTypeId* raw = id.get();
  r.by_name.emplace(raw->_name, raw);
  r.by_type.emplace(type, raw);
  r.types.push_back(std::move(id));
  return raw;
}

const TTypeId* TTypeId::SuperType() const {
  return _base == typeid(void) ? nullptr : ForType(_base);
}

bool TTypeId::ExtendsType(const TTypeId* type) const {
  if (!type) return false;
  for (const TTypeId* t = this; t; t = t->SuperType())
    if (t == type) return true;
  return false;
}

std::shared_ptr<void> TTypeId::NewObject() const { return _create ? _create() : nullptr; }

std::vector<const TFieldId*> TTypeId::EnumFields() const {
  std::vector<const TFieldId*> fields;
  if (const TTypeId* super = SuperType()) fields = super->EnumFields();
  for (const auto& f : _fields) fields.push_back(f.get());
  return fields;
}

const TFieldId* TTypeId::FindField(std::u16string_view name) const {
  for (const TTypeId* t = this; t; t = t->SuperType())
    for (const auto& f : t->_fields)
      if (f->_name == name) return f.get();
  return nullptr;
}

const TTypeId* TTypeId::ForName(std::u16string_view name) {
  TRegistry& r = Registry();
  auto it = r.by_name.find(name);
  return it == r.by_name.end() ? nullptr : it->second;
}

const TTypeId* TTypeId::ForType(std::type_index type) {
  TRegistry& r = Registry();
  auto it = r.by_type.find(type);
  return it == r.by_type.end() ? nullptr : it->second;
}

std::vector<const TTypeId*> TTypeId::EnumTypes() {
  std::vector<const TTypeId*> types;
  for (const auto& t : Registry().types) types.push_back(t.get());
  return types;
}

void* ReflectedAs(const TReflected& object, const TTypeId* to) {
  void* p = object.self;
  for (const TTypeId* t = object.type; p && t; t = t->SuperType()) {
    if (t == to) return p;
    p = t->_to_base ? t->_to_base(p) : nullptr;
  }
  return nullptr;
}

std::any GetReflectedField(const TReflected& object, std::u16string_view name) {
  if (!object.type) return {};
  const TFieldId* field = object.type->FindField(name);
  if (!field) return {};
  return field->_get(ReflectedAs(object, field->Owner()));
}

int32_t SetReflectedField(const TReflected& object, std::u16string_view name, const std::any& value) {
  if (!object.type) return 0;
  const TFieldId* field = object.type->FindField(name);
  if (!field) return 0;
  const std::string where = "Field " + Narrow(field->Name()) + " of " + Narrow(object.type->Name());
  if (field->ReadOnly()) throw TRuntimeError(where + " is read-only");
  const std::any v = Coerced(*field, value);
  if (v.type() != KindType(field->Kind()))
    throw TRuntimeError(where + " takes " + Narrow(field->KindName()) + ", not " + ValueKindName(v));
  field->_set(ReflectedAs(object, field->Owner()), v);
  return 1;
}

const TTypeId* TypeIdForName(std::u16string_view name) { return TTypeId::ForName(name); }

std::shared_ptr<void> CreateObject(std::u16string_view type_name) {
  const TTypeId* type = TTypeId::ForName(type_name);
  return type ? type->NewObject() : nullptr;
}

int32_t TypeExtends(std::u16string_view type_name, std::u16string_view base_name) {
  const TTypeId* type = TTypeId::ForName(type_name);
  const TTypeId* base = TTypeId::ForName(base_name);
  return type && base && type->ExtendsType(base) ? 1 : 0;
}
