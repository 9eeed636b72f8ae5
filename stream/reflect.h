// Run-time type reflection. Framework classes register themselves as their module is loaded:
// a name, the base class, a way to create one and the fields a program may read and write by
// name. A program looks types up by name, creates objects by name, asks what an object is and
// whether it derives from a type, and lists, reads and writes its registered fields.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "stream/core.h"

class TTypeId;

// A field readable, and unless read-only writable, by name. Values travel as std::any holding
// the field's own C++ type: int32_t, int64_t, float, double, std::u16string, std::shared_ptr<void>.
class TFieldId {
 public:
  static constexpr int32_t INT = 1, LONG = 2, FLOAT = 3, DOUBLE = 4, STRING = 5, OBJECT = 6;
  const std::u16string& Name() const { return _name; }
  int32_t Kind() const { return _kind; }
  std::u16string KindName() const;  // "int", "long", "float", "double", "string", "object"
  bool ReadOnly() const { return !_set; }
  const TTypeId* Owner() const { return _owner; }

  std::u16string _name;
  int32_t _kind = 0;
  const TTypeId* _owner = nullptr;
  std::function<std::any(void*)> _get;                // self: an object of the owner's type
  std::function<void(void*, const std::any&)> _set;  // the value already of the field's kind
};

class TTypeId {
 public:
  const std::u16string& Name() const { return _name; }
  const TTypeId* SuperType() const;                  // null for a root class
  bool ExtendsType(const TTypeId* type) const;       // this type, or derived from it
  bool CanCreate() const { return static_cast<bool>(_create); }
  std::shared_ptr<void> NewObject() const;           // null when it cannot be made
  std::vector<const TFieldId*> EnumFields() const;   // the base classes' first
  const TFieldId* FindField(std::u16string_view name) const;  // own or inherited; null when none

  static const TTypeId* ForName(std::u16string_view name);  // exact name; null when unknown
  static const TTypeId* ForType(std::type_index type);      // null when not registered
  static std::vector<const TTypeId*> EnumTypes();           // in order of registration

  std::u16string _name;
  std::type_index _type = typeid(void);
  std::type_index _base = typeid(void);  // looked up when asked, so modules may load in any order
  void* (*_to_base)(void*) = nullptr;
  std::function<std::shared_ptr<void>()> _create;
  std::vector<std::unique_ptr<TFieldId>> _fields;
};

// An object seen through reflection: its registered type and a pointer to it as that type.
struct TReflected {
  const TTypeId* type = nullptr;
  void* self = nullptr;
  std::shared_ptr<void> keep;
};

// The object's own (dynamic) class when registered, else the class it is held as.
template <class T>
TReflected Reflect(const std::shared_ptr<T>& object) {
  TReflected r;
  if (!object) return r;
  using U = std::remove_cv_t<T>;
  U* p = const_cast<U*>(object.get());
  if constexpr (std::is_polymorphic_v<U>) {
    if ((r.type = TTypeId::ForType(typeid(*p)))) r.self = dynamic_cast<void*>(p);
  }
  if (!r.type && (r.type = TTypeId::ForType(typeid(U)))) r.self = p;
  if (r.type) r.keep = object;
  return r;
}

// The object as registered type `to`, which it must derive from; null otherwise.
void* ReflectedAs(const TReflected& object, const TTypeId* to);
std::any GetReflectedField(const TReflected& object, std::u16string_view name);
int32_t SetReflectedField(const TReflected& object, std::u16string_view name, const std::any& value);

// The global operations.
const TTypeId* TypeIdForName(std::u16string_view name);  // null when unknown
std::shared_ptr<void> CreateObject(std::u16string_view type_name);  // null when unknown or not creatable
// An object of the named type held as T; null when unknown, not creatable or not a T.
template <class T>
std::shared_ptr<T> CreateObjectAs(std::u16string_view type_name) {
  const TTypeId* as = TTypeId::ForType(typeid(T));
  const TTypeId* type = TTypeId::ForName(type_name);
  if (!as || !type || !type->ExtendsType(as)) return nullptr;
  TReflected made{type, nullptr, type->NewObject()};
  if (!(made.self = made.keep.get())) return nullptr;
  return std::shared_ptr<T>(made.keep, static_cast<T*>(ReflectedAs(made, as)));
}
template <class T>
const TTypeId* TypeOf(const std::shared_ptr<T>& object) { return Reflect(object).type; }  // null for null
// 1 when the object's type is the named one or derives from it; 0 otherwise or when unknown.
template <class T>
int32_t IsOfType(const std::shared_ptr<T>& object, std::u16string_view type_name) {
  const TTypeId* type = TypeOf(object);
  return type && type->ExtendsType(TTypeId::ForName(type_name)) ? 1 : 0;
}
int32_t TypeExtends(std::u16string_view type_name, std::u16string_view base_name);  // 0 when either is unknown
template <class T>
std::vector<std::u16string> FieldNames(const std::shared_ptr<T>& object) {
  std::vector<std::u16string> names;
  if (const TTypeId* type = TypeOf(object))
    for (const TFieldId* f : type->EnumFields()) names.push_back(f->Name());
  return names;
}
// Empty for a null object or a field it does not have.
template <class T>
std::any GetField(const std::shared_ptr<T>& object, std::u16string_view name) {
  return GetReflectedField(Reflect(object), name);
}
// 1 when written; 0 for a null object or a field it does not have. A value of another type
// than the field's, or a read-only field, is a programming error (TRuntimeError).
template <class T>
int32_t SetField(const std::shared_ptr<T>& object, std::u16string_view name, const std::any& value) {
  return SetReflectedField(Reflect(object), name, value);
}

// Registration, done by each module for its classes: the name, the base class (void for a
// root), then how to make one and the fields. A name or class registered already is refused.
template <class T, class Base = void>
class TTypeRegistration {
 public:
  explicit TTypeRegistration(std::u16string name);
  TTypeRegistration& Creator(std::function<std::shared_ptr<T>()> make) {
    if (_type) _type->_create = [make] { return std::shared_ptr<void>(make()); };
    return *this;
  }
  TTypeRegistration& Creatable() {
    return Creator([] { return std::make_shared<T>(); });
  }
  template <class V>
  TTypeRegistration& Field(std::u16string name, V T::*member) {
    return Property<V>(std::move(name), [member](T& t) { return t.*member; },
                       [member](T& t, const V& v) { t.*member = v; });
  }
  template <class V>
  TTypeRegistration& ReadOnlyField(std::u16string name, V T::*member) {
    return Property<V>(std::move(name), [member](T& t) { return t.*member; }, {});
  }
  // A field through functions; without a setter it is read-only.
  template <class V>
  TTypeRegistration& Property(std::u16string name, std::function<V(T&)> get,
                              std::function<void(T&, const V&)> set = {});
  bool Registered() const { return _type != nullptr; }

 private:
  TTypeId* _type = nullptr;
};

TTypeId* RegisterTypeId(std::u16string name, std::type_index type, std::type_index base, void* (*to_base)(void*));

template <class V>
constexpr int32_t FieldKindOf() {
  if constexpr (std::is_same_v<V, int32_t>) return TFieldId::INT;
  else if constexpr (std::is_same_v<V, int64_t>) return TFieldId::LONG;
  else if constexpr (std::is_same_v<V, float>) return TFieldId::FLOAT;
  else if constexpr (std::is_same_v<V, double>) return TFieldId::DOUBLE;
  else if constexpr (std::is_same_v<V, std::u16string>) return TFieldId::STRING;
  else if constexpr (std::is_same_v<V, std::shared_ptr<void>>) return TFieldId::OBJECT;
  else static_assert(!sizeof(V), "a reflected field is int32_t, int64_t, float, double, std::u16string or std::shared_ptr<void>");
}

template <class T, class Base>
TTypeRegistration<T, Base>::TTypeRegistration(std::u16string name) {
  void* (*to_base)(void*) = nullptr;
  if constexpr (!std::is_void_v<Base>) {
    static_assert(std::is_base_of_v<Base, T>);
    to_base = [](void* self) -> void* { return static_cast<Base*>(static_cast<T*>(self)); };
  }
  _type = RegisterTypeId(std::move(name), typeid(T), typeid(Base), to_base);
}

template <class T, class Base>
template <class V>
TTypeRegistration<T, Base>& TTypeRegistration<T, Base>::Property(std::u16string name, std::function<V(T&)> get,
                                                                 std::function<void(T&, const V&)> set) {
  if (!_type) return *this;
  auto field = std::make_unique<TFieldId>();
  field->_name = std::move(name);
  field->_kind = FieldKindOf<V>();
  field->_owner = _type;
  field->_get = [get](void* self) { return std::any(get(*static_cast<T*>(self))); };
  if (set) field->_set = [set](void* self, const std::any& v) { set(*static_cast<T*>(self), std::any_cast<const V&>(v)); };
  _type->_fields.push_back(std::move(field));
  return *this;
}
