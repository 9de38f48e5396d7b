#pragma once
// Properties readable by name: a class registers its published properties
// (name, kind, getter) once, and a view binds to them by name, the way a
// Delphi view reads published properties through run-time type information.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rtti {

enum class TypeKind {
    Integer,     // 32-bit signed (also smaller ordinals and characters)
    Int64,
    Float,
    String,
    Enumeration, // ordinal with names
    Boolean,
    Set,         // bit mask over enumeration names
    Class,       // an object reference (a picture, for example)
};

struct PropValue {
    TypeKind kind = TypeKind::Integer;
    int64_t ordinal = 0;       // Integer, Int64, Enumeration, Boolean, Set
    double number = 0;         // Float
    std::string text;          // String
    const void* object = nullptr; // Class
};

class TObject;

struct PropInfo {
    std::string name;
    TypeKind kind;
    std::vector<std::string> names; // enumeration names, or a set's element names
    std::string className;          // Class: the referenced class's name
    std::function<PropValue(const TObject&)> get;
};

class ClassInfo {
public:
    ClassInfo(std::string name, const ClassInfo* parent) : FName(std::move(name)), FParent(parent) {}
    const std::string& Name() const { return FName; }
    // Found without regard to the letter case of A to Z; own properties
    // before inherited ones.
    const PropInfo* FindProperty(const std::string& name) const;
    std::vector<const PropInfo*> Properties() const;
    ClassInfo& Add(PropInfo info);

private:
    std::string FName;
    const ClassInfo* FParent;
    std::vector<PropInfo> FProps;
};

// The root of objects whose properties can be read by name.
class TObject {
public:
    virtual ~TObject() = default;
    virtual const ClassInfo& GetClassInfo() const = 0;
};

// Reads a property; nullptr-safe lookup helper.
inline const PropInfo* FindProperty(const TObject& obj, const std::string& name) {
    return obj.GetClassInfo().FindProperty(name);
}

// Registration helpers for a class T.
template <class T> struct Props {
    ClassInfo& info;
    Props& Integer(std::string name, std::function<int32_t(const T&)> get) {
        info.Add({std::move(name), TypeKind::Integer, {}, {}, [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::Integer;
                      v.ordinal = get(static_cast<const T&>(o));
                      return v;
                  }});
        return *this;
    }
    Props& Int64(std::string name, std::function<int64_t(const T&)> get) {
        info.Add({std::move(name), TypeKind::Int64, {}, {}, [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::Int64;
                      v.ordinal = get(static_cast<const T&>(o));
                      return v;
                  }});
        return *this;
    }
    Props& Float(std::string name, std::function<double(const T&)> get) {
        info.Add({std::move(name), TypeKind::Float, {}, {}, [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::Float;
                      v.number = get(static_cast<const T&>(o));
                      return v;
                  }});
        return *this;
    }
    Props& String(std::string name, std::function<std::string(const T&)> get) {
        info.Add({std::move(name), TypeKind::String, {}, {}, [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::String;
                      v.text = get(static_cast<const T&>(o));
                      return v;
                  }});
        return *this;
    }
    Props& Boolean(std::string name, std::function<bool(const T&)> get) {
        info.Add({std::move(name), TypeKind::Boolean, {"False", "True"}, {}, [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::Boolean;
                      v.ordinal = get(static_cast<const T&>(o)) ? 1 : 0;
                      return v;
                  }});
        return *this;
    }
    Props& Enumeration(std::string name, std::vector<std::string> names,
                       std::function<int(const T&)> get) {
        info.Add({std::move(name), TypeKind::Enumeration, std::move(names), {},
                  [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::Enumeration;
                      v.ordinal = get(static_cast<const T&>(o));
                      return v;
                  }});
        return *this;
    }
    Props& Set(std::string name, std::vector<std::string> names,
               std::function<uint64_t(const T&)> get) {
        info.Add({std::move(name), TypeKind::Set, std::move(names), {}, [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::Set;
                      v.ordinal = static_cast<int64_t>(get(static_cast<const T&>(o)));
                      return v;
                  }});
        return *this;
    }
    Props& Object(std::string name, std::string className,
                  std::function<const void*(const T&)> get) {
        info.Add({std::move(name), TypeKind::Class, {}, std::move(className),
                  [get](const TObject& o) {
                      PropValue v;
                      v.kind = TypeKind::Class;
                      v.object = get(static_cast<const T&>(o));
                      return v;
                  }});
        return *this;
    }
};

} // namespace rtti
