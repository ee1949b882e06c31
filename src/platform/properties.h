// Published-property descriptions: one per class, in published order, built once by the class's
// describe function. The stored-form reader and writer, AssignPublishedProperties and property
// editors all work from them.
//
//   static void DescribeRule(synt::TPropertyList& List) {
//     synt::TPropsOf<TRule> p(List);
//     p.Integer("TokenType", &TRule::TokenType, &TRule::SetTokenType).Def(0);
//     p.Boolean("Enabled", &TRule::Enabled, &TRule::SetEnabled).Def(true);
//     p.Enum("Mode", &TRule::Mode, &TRule::SetMode, ModeInfo()).Def(mdFirst);
//     p.String("Expression", &TRule::Expression, &TRule::SetExpression);
//     p.Object("Font", &TRule::Font);                         // owned sub-object, written as
//     Font.X p.Component("Lexer", &TRule::Lexer, &TRule::SetLexer);  // reference by component name
//     p.Event("OnChange", &TRule::OnChange);                  // std::function member
//   }
//
// Ordinal properties (integer, Boolean, enumeration, set) are omitted from the stored form when
// they equal their declared default and always written when they declare none. Strings are omitted
// when equal to their default (empty unless declared). Floats without a declared default are always
// written.
#pragma once

#include <any>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/persistent.h"
#include "platform/set.h"

namespace synt {

class TComponent;

// The identifiers of an enumeration type, in ordinal order.
struct TEnumInfo {
  std::string Name;
  std::vector<std::string> Idents;
  int IndexOf(std::string_view Ident) const;  // case-insensitive; -1 when unknown
};
const TEnumInfo& BooleanInfo();  // False, True

// Symbolic names of integer values (colour and character-set constants). The first entry with a
// value is the one written.
struct TIdentMap {
  std::vector<std::pair<std::string, int64_t>> Entries;
  const std::string* ToIdent(int64_t Value) const;
  bool ToInt(std::string_view Ident, int64_t& Value) const;  // case-insensitive
};

enum class TPropKind : uint8_t {
  Integer,  // any integer type up to 64 bits, optionally with symbolic names (Idents)
  Boolean,
  Enumeration,
  Set,  // TSet<E> of an enumeration
  Float,
  String,     // std::u16string
  Object,     // an owned persistent sub-object (font, pen, string list, collection)
  Component,  // a reference to another component, stored by name
  Event,      // a std::function member, stored as a handler name
};

struct TPropInfo {
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  const TEnumInfo* Enum = nullptr;           // Enumeration, Set
  const TIdentMap* Idents = nullptr;         // Integer with symbolic constants
  const TClassInfo* Class = nullptr;         // Object, Component: the declared class
  int64_t Min = INT64_MIN, Max = INT64_MAX;  // Integer: the range of the C++ type

  bool HasDefault = false;
  int64_t Default = 0;
  double FloatDefault = 0;
  std::u16string StrDefault;
  // String: written even when equal to the default. Object: a string list is written even when
  // empty (its class fills it with something else on construction).
  bool StoreAlways = false;
  std::function<bool(const TPersistent*)> StoredIf;  // null: stored

  std::function<int64_t(const TPersistent*)> GetOrd;
  std::function<void(TPersistent*, int64_t)> SetOrd;
  std::function<double(const TPersistent*)> GetFloat;
  std::function<void(TPersistent*, double)> SetFloat;
  std::function<std::u16string(const TPersistent*)> GetStr;
  std::function<void(TPersistent*, const std::u16string&)> SetStr;
  std::function<TPersistent*(const TPersistent*)> GetObject;
  std::function<TComponent*(const TPersistent*)> GetRef;
  std::function<bool(TPersistent*, TComponent*)> SetRef;  // false: wrong class
  std::function<bool(const TPersistent*)> IsAssigned;
  std::function<bool(TPersistent*, const std::any*)> SetHandler;  // null clears; false: wrong type
  std::function<void(TPersistent*, const TPersistent*)> CopyHandler;

  // Chained modifiers for describe functions.
  TPropInfo& Def(int64_t Value) {
    HasDefault = true;
    Default = Value;
    return *this;
  }
  TPropInfo& Def(double Value) {
    HasDefault = true;
    FloatDefault = Value;
    return *this;
  }
  TPropInfo& Def(std::u16string Value) {
    HasDefault = true;
    StrDefault = std::move(Value);
    return *this;
  }
  TPropInfo& Def(const char16_t* Value) { return Def(std::u16string(Value)); }
  TPropInfo& Def(bool Value) { return Def(int64_t(Value)); }
  TPropInfo& Def(int Value) { return Def(int64_t(Value)); }
  template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
  TPropInfo& Def(E Value) {
    return Def(int64_t(Value));
  }
  template <class E>
  TPropInfo& Def(TSet<E> Value) {
    return Def(int64_t(Value.Mask()));
  }
  TPropInfo& Always() {
    StoreAlways = true;
    return *this;
  }
  TPropInfo& Stored(std::function<bool(const TPersistent*)> Fn) {
    StoredIf = std::move(Fn);
    return *this;
  }
  TPropInfo& NotStored() {
    StoredIf = [](const TPersistent*) { return false; };
    return *this;
  }

  bool IsOrdinal() const {
    return Kind == TPropKind::Integer || Kind == TPropKind::Boolean ||
           Kind == TPropKind::Enumeration || Kind == TPropKind::Set;
  }
  // The stored-condition of the property.
  bool IsStored(const TPersistent* Instance) const { return !StoredIf || StoredIf(Instance); }
  // Whether the value equals the declared default, so that the writer leaves it out.
  bool IsDefault(const TPersistent* Instance) const;
};

// The properties one class adds, in published order. Entries keep their address.
class TPropertyList {
 public:
  TPropInfo& Add(std::string Name, TPropKind Kind);
  const std::deque<TPropInfo>& Items() const { return items_; }

 private:
  std::deque<TPropInfo> items_;
};

namespace props_internal {
template <class S>
struct SetterArg;
template <class Cls, class A>
struct SetterArg<void (Cls::*)(A)> {
  using type = std::remove_cvref_t<A>;
};
template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<TSet<E>> : std::true_type {};
}  // namespace props_internal

// Builds the descriptions of class C from its getters (const member functions) and setters
// (void member functions of one argument).
template <class C>
class TPropsOf {
 public:
  explicit TPropsOf(TPropertyList& List) : list_(List) {}

  template <class G, class S>
  TPropInfo& Integer(std::string Name, G Get, S Set) {
    using T = typename props_internal::SetterArg<S>::type;
    static_assert(std::is_integral_v<T>);
    TPropInfo& p = Ordinal(std::move(Name), TPropKind::Integer, Get, Set);
    p.Min = int64_t(std::numeric_limits<T>::min());
    p.Max = std::is_same_v<T, uint64_t> ? INT64_MAX : int64_t(std::numeric_limits<T>::max());
    return p;
  }
  // An integer with symbolic constants (colours, character sets).
  template <class G, class S>
  TPropInfo& Ident(std::string Name, G Get, S Set, const TIdentMap& Idents) {
    TPropInfo& p = Integer(std::move(Name), Get, Set);
    p.Idents = &Idents;
    return p;
  }
  template <class G, class S>
  TPropInfo& Boolean(std::string Name, G Get, S Set) {
    TPropInfo& p = Ordinal(std::move(Name), TPropKind::Boolean, Get, Set);
    p.Enum = &BooleanInfo();
    return p;
  }
  template <class G, class S>
  TPropInfo& Enum(std::string Name, G Get, S Set, const TEnumInfo& Info) {
    TPropInfo& p = Ordinal(std::move(Name), TPropKind::Enumeration, Get, Set);
    p.Enum = &Info;
    return p;
  }
  template <class G, class S>
  TPropInfo& Set(std::string Name, G Get, S Set_, const TEnumInfo& Info) {
    using T = typename props_internal::SetterArg<S>::type;
    static_assert(props_internal::IsSet<T>::value);
    TPropInfo& p = list_.Add(std::move(Name), TPropKind::Set);
    p.Enum = &Info;
    p.GetOrd = [Get](const TPersistent* o) {
      return int64_t(std::invoke(Get, static_cast<const C*>(o)).Mask());
    };
    p.SetOrd = [Set_](TPersistent* o, int64_t v) {
      std::invoke(Set_, static_cast<C*>(o), T::FromMask(uint64_t(v)));
    };
    return p;
  }
  template <class G, class S>
  TPropInfo& Float(std::string Name, G Get, S Set) {
    using T = typename props_internal::SetterArg<S>::type;
    TPropInfo& p = list_.Add(std::move(Name), TPropKind::Float);
    p.GetFloat = [Get](const TPersistent* o) {
      return double(std::invoke(Get, static_cast<const C*>(o)));
    };
    p.SetFloat = [Set](TPersistent* o, double v) { std::invoke(Set, static_cast<C*>(o), T(v)); };
    return p;
  }
  template <class G, class S>
  TPropInfo& String(std::string Name, G Get, S Set) {
    TPropInfo& p = list_.Add(std::move(Name), TPropKind::String);
    p.GetStr = [Get](const TPersistent* o) {
      return std::u16string(std::invoke(Get, static_cast<const C*>(o)));
    };
    p.SetStr = [Set](TPersistent* o, const std::u16string& v) {
      std::invoke(Set, static_cast<C*>(o), v);
    };
    return p;
  }
  // An owned sub-object; the getter returns a pointer that is never null.
  template <class G>
  TPropInfo& Object(std::string Name, G Get) {
    using T = std::remove_pointer_t<std::invoke_result_t<G, const C*>>;
    TPropInfo& p = list_.Add(std::move(Name), TPropKind::Object);
    p.Class = &T::StaticClassInfo();
    p.GetObject = [Get](const TPersistent* o) -> TPersistent* {
      return std::invoke(Get, static_cast<const C*>(o));
    };
    return p;
  }
  template <class G, class S>
  TPropInfo& Component(std::string Name, G Get, S Set) {
    using T = std::remove_pointer_t<typename props_internal::SetterArg<S>::type>;
    TPropInfo& p = list_.Add(std::move(Name), TPropKind::Component);
    p.Class = &T::StaticClassInfo();
    p.GetRef = [Get](const TPersistent* o) -> TComponent* {
      return std::invoke(Get, static_cast<const C*>(o));
    };
    p.SetRef = [Set](TPersistent* o, TComponent* v) {
      T* t = nullptr;
      if (v) {
        t = dynamic_cast<T*>(v);
        if (!t) return false;
      }
      std::invoke(Set, static_cast<C*>(o), t);
      return true;
    };
    return p;
  }
  template <class F>
  TPropInfo& Event(std::string Name, F C::*Member) {
    TPropInfo& p = list_.Add(std::move(Name), TPropKind::Event);
    p.IsAssigned = [Member](const TPersistent* o) {
      return bool(static_cast<const C*>(o)->*Member);
    };
    p.SetHandler = [Member](TPersistent* o, const std::any* h) {
      if (!h || !h->has_value()) {
        static_cast<C*>(o)->*Member = nullptr;
        return true;
      }
      const F* f = std::any_cast<F>(h);
      if (!f) return false;
      static_cast<C*>(o)->*Member = *f;
      return true;
    };
    p.CopyHandler = [Member](TPersistent* d, const TPersistent* s) {
      static_cast<C*>(d)->*Member = static_cast<const C*>(s)->*Member;
    };
    return p;
  }

 private:
  template <class G, class S>
  TPropInfo& Ordinal(std::string Name, TPropKind Kind, G Get, S Set) {
    using T = typename props_internal::SetterArg<S>::type;
    TPropInfo& p = list_.Add(std::move(Name), Kind);
    p.GetOrd = [Get](const TPersistent* o) {
      return int64_t(std::invoke(Get, static_cast<const C*>(o)));
    };
    p.SetOrd = [Set](TPersistent* o, int64_t v) { std::invoke(Set, static_cast<C*>(o), T(v)); };
    return p;
  }

  TPropertyList& list_;
};

}  // namespace synt
