// framework/Classes.h
// The object model: TObject, TPersistent, TComponent, class information with property
// tables, events, string lists and streams. Portable (no <windows.h>): the form reader and
// writer stand on this alone, so they are tested natively.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "SysUtils.h"

class TObject;
class TPersistent;
class TComponent;
struct TClassInfo;

// --- Events ----------------------------------------------------------------------------

// A method pointer: sender first, answers through reference parameters. An unset event is
// skipped. The stored name is the published method it was wired to by a form description,
// kept so that the writer can store it again.
template <class... Args>
class TEvent {
public:
    using Function = std::function<void(Args...)>;

    TEvent() = default;
    // Any callable of the event's shape can be assigned, as a method pointer can.
    template <class F, class = std::enable_if_t<std::is_constructible_v<Function, F> && !std::is_same_v<std::decay_t<F>, TEvent>>>
    TEvent(F&& f) : FFunction(std::forward<F>(f)) {} // NOLINT: implicit on purpose
    TEvent(std::nullptr_t) {} // NOLINT

    explicit operator bool() const noexcept { return static_cast<bool>(FFunction); }
    void operator()(Args... args) const
    {
        if (FFunction) FFunction(std::forward<Args>(args)...);
    }
    void Set(Function f, std::string methodName = {})
    {
        FFunction = std::move(f);
        FMethodName = std::move(methodName);
    }
    void Clear()
    {
        FFunction = nullptr;
        FMethodName.clear();
    }
    const std::string& MethodName() const noexcept { return FMethodName; }
    const Function& Get() const noexcept { return FFunction; }

private:
    Function FFunction;
    std::string FMethodName;
};

using TNotifyEvent = TEvent<TObject*>;

// --- Class information -----------------------------------------------------------------

enum class TPropKind {
    Integer,   // long long; identifiers resolve through the property's ident map
    Boolean,
    String,
    Float,
    Enum,      // ordinal; names from the property's name list
    Set,       // bit mask; member names from the property's name list
    Object,    // an owned sub-object (TPersistent*) whose own properties are written dotted
    Component, // a reference to another component, resolved by name after the whole form
    Event,     // a published method of the form, by name
};

using TPropValue = std::variant<std::monostate, long long, bool, std::string, double, TPersistent*>;

// Maps identifiers (clLime, cr3dArrow) to integers and back. Units register theirs; a
// property names the map it resolves through.
class TIdentMap {
public:
    explicit TIdentMap(std::string name) : FName(std::move(name)) {}
    const std::string& Name() const noexcept { return FName; }
    // Later registrations are looked up first, so a unit can put names ahead of others.
    void Add(std::string ident, long long value, bool first = false);
    std::optional<long long> ToInt(std::string_view ident) const;
    std::optional<std::string> ToIdent(long long value) const;

private:
    std::string FName;
    std::vector<std::pair<std::string, long long>> FEntries;
};

struct TPropInfo {
    std::string Name;
    TPropKind Kind = TPropKind::Integer;
    // Enum and Set member names, in ordinal order.
    std::vector<std::string> Names;
    // Integer properties: identifiers accepted in place of numbers.
    const TIdentMap* Idents = nullptr;
    // Component references: the class the referenced component must descend from (a
    // function, as a class may refer to its own kind while its information is being built).
    const TClassInfo& (*RefClass)() = nullptr;
    std::optional<TPropValue> Default;
    std::function<TPropValue(const TPersistent&)> Get;
    std::function<void(TPersistent&, const TPropValue&)> Set;
    // Events: bind by published method name (root supplies the methods).
    std::function<std::string(const TPersistent&)> GetMethod;
    std::function<void(TPersistent&, const std::string& name, const std::any& bound)> SetMethod;
    // Stored-when: empty means "when different from Default".
    std::function<bool(const TPersistent&)> Stored;
};

// A published method of a form class: a handler a stored form can wire to an event.
struct TMethodInfo {
    std::string Name;
    // Returns the method bound to the instance as a std::function of its own signature.
    std::function<std::any(TObject*)> Bind;
};

// A published field of a form class: a pointer member the reader sets to the stored
// component of that name once the whole form is read.
struct TFieldInfo {
    std::string Name;
    const TClassInfo& (*Class)() = nullptr; // the class the component must descend from
    std::function<TComponent*(const TObject&)> Get;
    std::function<void(TObject&, TComponent*)> Set;
};

using TComponentFactory = TComponent* (*)(TComponent* owner);

struct TClassInfo {
    std::string Name;
    const TClassInfo* Parent = nullptr;
    TComponentFactory Create = nullptr; // null for classes that are never read by name
    std::vector<TPropInfo> Props;
    std::vector<TMethodInfo> Methods;
    std::vector<TFieldInfo> Fields{};

    bool InheritsFrom(const TClassInfo& other) const noexcept;
    const TPropInfo* FindProp(std::string_view name) const;     // searches ancestors too
    const TMethodInfo* FindMethod(std::string_view name) const; // searches ancestors too
    // All properties, ancestors' first, in declaration order.
    std::vector<const TPropInfo*> AllProps() const;
};

// Every class a form description may name registers here (by class name).
void RegisterComponentClass(const TClassInfo& info);
const TClassInfo* FindClass(std::string_view name);
// Registers an identifier map under a name (for example "TColor", "TCursor").
TIdentMap& IdentMap(const std::string& name);

// --- Objects ---------------------------------------------------------------------------

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    const std::string& ClassName() const { return ClassInfo().Name; }
    bool InheritsFrom(const TClassInfo& info) const { return ClassInfo().InheritsFrom(info); }

    // Runs while the object is still whole, before any destructor: the place for work
    // that calls overridden methods or handlers of a descendant (a form's OnDestroy).
    virtual void BeforeDestruction() {}
    // Destroys the object the way every owner does: BeforeDestruction, then delete.
    // Deleting directly skips BeforeDestruction's descendant parts.
    void Free()
    {
        BeforeDestruction();
        delete this;
    }
};

// A unique_ptr that frees through Free().
struct TFreeDeleter {
    void operator()(TObject* o) const
    {
        if (o) o->Free();
    }
};
template <class T>
using TOwnedPtr = std::unique_ptr<T, TFreeDeleter>;

class TStream;
class TFormWriterContext;
struct TFormValue;

class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    virtual void Assign(const TPersistent& source);
    // Properties the object streams itself (packed pictures, scrambled credentials). The
    // reader hands such a property here; return false when the name is not one of them.
    virtual bool ReadDefinedProperty(const std::string& name, const TFormValue& value);
    // Appends the defined properties to write, by name.
    virtual void WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const;
};

enum class TComponentState : unsigned {
    Designing = 1u << 0,
    Loading = 1u << 1,
    Reading = 1u << 2,
    Destroying = 1u << 3,
};

enum class TOperation { Insert, Remove };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TComponent* Owner() const noexcept { return FOwner; }
    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& name);
    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(std::string_view name) const;
    int ComponentIndex() const;

    bool HasState(TComponentState s) const noexcept { return (FState & static_cast<unsigned>(s)) != 0; }
    bool Designing() const noexcept { return HasState(TComponentState::Designing); }
    bool Loading() const noexcept { return HasState(TComponentState::Loading); }
    bool IsDestroying() const noexcept { return HasState(TComponentState::Destroying); }
    void SetDesigning(bool value);

    // Removal notices: a component that keeps a pointer to another asks for its notice
    // and clears the pointer in Notification(other, Remove).
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Destroys every owned component, the last created first.
    void DestroyComponents();
    // Marks the component as going away and tells everyone who asked. Idempotent.
    void Destroying();
    void BeforeDestruction() override { Destroying(); }

    // Nesting in a stored form: controls live inside their parent, menu items inside
    // their menu. The default is the owner's top level.
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }
    virtual void SetParentComponent(TComponent* /*parent*/) {}
    // The child components a stored form nests inside this one, in order.
    virtual void GetChildren(std::vector<TComponent*>& out, TComponent* root) const;

    // Reading a stored form.
    virtual void BeginLoading();
    virtual void EndReading();
    virtual void Loaded();

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    void SetStateFlag(TComponentState s, bool on);

private:
    friend class TFormReader;
    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    unsigned FState = 0;
};

// Declares the class information of a class (put inside the class body, public).
#define TG_DECLARE_CLASS()                                                   \
    static const TClassInfo& StaticClassInfo();                              \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

// Creates an instance for the reader.
template <class T>
TComponent* CreateComponentOf(TComponent* owner)
{
    return new T(owner);
}

// --- Property-table helpers ------------------------------------------------------------
// Each builds one TPropInfo from a getter/setter pair. The default given here is the one
// the constructor sets; the writer stores only what differs from it.

// The getter and setter may come from different classes of one hierarchy (C2 a base of
// or equal to the class the table belongs to).
template <class C, class C2, class T>
TPropInfo IntProp(std::string name, T (C::*get)() const, void (C2::*set)(T), std::optional<long long> def,
                  const TIdentMap* idents = nullptr)
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Integer;
    p.Idents = idents;
    if (def) p.Default = TPropValue(*def);
    p.Get = [get](const TPersistent& o) { return TPropValue(static_cast<long long>((static_cast<const C&>(o).*get)())); };
    p.Set = [set](TPersistent& o, const TPropValue& v) { (static_cast<C2&>(static_cast<C&>(o)).*set)(static_cast<T>(std::get<long long>(v))); };
    return p;
}

template <class C, class C2>
TPropInfo BoolProp(std::string name, bool (C::*get)() const, void (C2::*set)(bool), std::optional<bool> def)
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Boolean;
    if (def) p.Default = TPropValue(*def);
    p.Get = [get](const TPersistent& o) { return TPropValue((static_cast<const C&>(o).*get)()); };
    p.Set = [set](TPersistent& o, const TPropValue& v) { (static_cast<C2&>(static_cast<C&>(o)).*set)(std::get<bool>(v)); };
    return p;
}

template <class C, class G, class S>
TPropInfo StrProp(std::string name, G get, S set, std::optional<std::string> def = std::string())
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::String;
    if (def) p.Default = TPropValue(*def);
    p.Get = [get](const TPersistent& o) { return TPropValue(std::string((static_cast<const C&>(o).*get)())); };
    p.Set = [set](TPersistent& o, const TPropValue& v) { (static_cast<C&>(o).*set)(std::get<std::string>(v)); };
    return p;
}

template <class C>
TPropInfo FloatProp(std::string name, double (C::*get)() const, void (C::*set)(double), std::optional<double> def)
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Float;
    if (def) p.Default = TPropValue(*def);
    p.Get = [get](const TPersistent& o) { return TPropValue((static_cast<const C&>(o).*get)()); };
    p.Set = [set](TPersistent& o, const TPropValue& v) { (static_cast<C&>(o).*set)(std::get<double>(v)); };
    return p;
}

template <class C, class E>
TPropInfo EnumProp(std::string name, E (C::*get)() const, void (C::*set)(E), std::vector<std::string> names,
                   std::optional<E> def)
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Enum;
    p.Names = std::move(names);
    if (def) p.Default = TPropValue(static_cast<long long>(*def));
    p.Get = [get](const TPersistent& o) { return TPropValue(static_cast<long long>((static_cast<const C&>(o).*get)())); };
    p.Set = [set](TPersistent& o, const TPropValue& v) { (static_cast<C&>(o).*set)(static_cast<E>(std::get<long long>(v))); };
    return p;
}

// Sets are bit masks: member i is bit i.
template <class C, class S>
TPropInfo SetProp(std::string name, S (C::*get)() const, void (C::*set)(S), std::vector<std::string> names,
                  std::optional<long long> def)
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Set;
    p.Names = std::move(names);
    if (def) p.Default = TPropValue(*def);
    p.Get = [get](const TPersistent& o) { return TPropValue(static_cast<long long>((static_cast<const C&>(o).*get)())); };
    p.Set = [set](TPersistent& o, const TPropValue& v) { (static_cast<C&>(o).*set)(static_cast<S>(std::get<long long>(v))); };
    return p;
}

// An owned sub-object whose properties are stored dotted (Font.Name).
template <class C, class T>
TPropInfo ObjProp(std::string name, T* (C::*get)() const)
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Object;
    p.Get = [get](const TPersistent& o) { return TPropValue(static_cast<TPersistent*>((static_cast<const C&>(o).*get)())); };
    return p;
}

// A reference to another component of class T (or a descendant).
template <class C, class T>
TPropInfo CompProp(std::string name, T* (C::*get)() const, void (C::*set)(T*))
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Component;
    p.RefClass = &T::StaticClassInfo;
    p.Default = TPropValue(static_cast<TPersistent*>(nullptr));
    p.Get = [get](const TPersistent& o) {
        return TPropValue(static_cast<TPersistent*>((static_cast<const C&>(o).*get)()));
    };
    p.Set = [set](TPersistent& o, const TPropValue& v) {
        (static_cast<C&>(o).*set)(static_cast<T*>(static_cast<TComponent*>(std::get<TPersistent*>(v))));
    };
    return p;
}

// An event member of type TEvent<Args...>. Binding checks that the method has the event's
// signature exactly.
template <class C, class... Args>
TPropInfo EventProp(std::string name, TEvent<Args...> C::*member)
{
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Event;
    p.GetMethod = [member](const TPersistent& o) { return (static_cast<const C&>(o).*member).MethodName(); };
    p.SetMethod = [member](TPersistent& o, const std::string& method, const std::any& bound) {
        auto* fn = std::any_cast<std::function<void(Args...)>>(&bound);
        if (!fn) throw Exception("Method " + method + " does not match the event's parameters");
        (static_cast<C&>(o).*member).Set(*fn, method);
    };
    return p;
}

// A published method of form class C.
template <class C, class... Args>
TMethodInfo Method(std::string name, void (C::*fn)(Args...))
{
    TMethodInfo m;
    m.Name = std::move(name);
    m.Bind = [fn](TObject* self) -> std::any {
        C* obj = static_cast<C*>(self);
        return std::function<void(Args...)>([obj, fn](Args... a) { (obj->*fn)(std::forward<Args>(a)...); });
    };
    return m;
}

// A published field of form class C, bound to the stored component of the same name.
template <class C, class T>
TFieldInfo Field(std::string name, T* C::*member)
{
    TFieldInfo f;
    f.Name = std::move(name);
    f.Class = &T::StaticClassInfo;
    f.Get = [member](const TObject& o) -> TComponent* { return static_cast<const C&>(o).*member; };
    f.Set = [member](TObject& o, TComponent* c) { static_cast<C&>(o).*member = static_cast<T*>(c); };
    return f;
}

// --- String lists ----------------------------------------------------------------------

class TStrings : public TPersistent {
public:
    TG_DECLARE_CLASS()
    TNotifyEvent OnChange;

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    const std::string& operator[](int index) const { return FItems.at(static_cast<size_t>(index)); }
    const std::string& Strings(int index) const { return (*this)[index]; }
    void Put(int index, std::string s);
    int Add(std::string s);
    void Insert(int index, std::string s);
    void Delete(int index);
    void Clear();
    int IndexOf(std::string_view s) const; // case-insensitive, as Windows names compare
    // Lines joined by CR LF, each followed by one; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(std::string_view text);
    // name=value pairs
    std::string Values(std::string_view name) const;
    void SetValues(std::string_view name, const std::string& value);
    const std::vector<std::string>& Items() const noexcept { return FItems; }
    void Assign(const TPersistent& source) override;
    // Stored as "Strings = ( 'line' ... )" under the list's property.
    bool ReadDefinedProperty(const std::string& name, const TFormValue& value) override;
    void WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const override;

protected:
    virtual void Changed();

private:
    std::vector<std::string> FItems;
};

using TStringList = TStrings;

// --- Streams ---------------------------------------------------------------------------

enum class TSeekOrigin { Beginning, Current, End };

class TStream : public TObject {
public:
    virtual long Read(void* buffer, long count) = 0;
    virtual long Write(const void* buffer, long count) = 0;
    virtual long Seek(long offset, TSeekOrigin origin) = 0;
    long Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(long pos) { Seek(pos, TSeekOrigin::Beginning); }
    long Size();
    virtual void SetSize(long size);
    // Exact reads and writes: a short transfer raises EReadError / EWriteError.
    void ReadBuffer(void* buffer, long count);
    void WriteBuffer(const void* buffer, long count);
    // Copies count bytes from source (0: all of it from its start); returns the count.
    long CopyFrom(TStream& source, long count);
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class TMemoryStream : public TStream {
public:
    long Read(void* buffer, long count) override;
    long Write(const void* buffer, long count) override;
    long Seek(long offset, TSeekOrigin origin) override;
    void SetSize(long size) override;
    void Clear();
    const unsigned char* Memory() const noexcept { return FData.data(); }
    unsigned char* Memory() noexcept { return FData.data(); }
    const std::vector<unsigned char>& Bytes() const noexcept { return FData; }

private:
    std::vector<unsigned char> FData;
    long FPosition = 0;
};
