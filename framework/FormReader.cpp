// framework/FormReader.cpp
#include "FormReader.h"

#include <algorithm>
#include <climits>

namespace {

const char* KindName(TFormValueKind k)
{
    switch (k) {
    case TFormValueKind::Integer: return "an integer";
    case TFormValueKind::Float: return "a number";
    case TFormValueKind::String: return "a string";
    case TFormValueKind::Identifier: return "an identifier";
    case TFormValueKind::Set: return "a set";
    case TFormValueKind::Binary: return "binary data";
    case TFormValueKind::List: return "a list";
    case TFormValueKind::Collection: return "a collection";
    }
    return "a value";
}

[[noreturn]] void WrongType(const TFormProperty& p, const char* expected)
{
    throw EReadError(p.Value.Line ? p.Value.Line : p.Line, p.Name,
                     std::string("Wrong value type: expected ") + expected + ", found " + KindName(p.Value.Kind));
}

// The members a set property's value can hold.
constexpr size_t kSetBits = 64;

struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    std::string ComponentName;
    int Line;
    std::string PropertyName;
};

class TReaderRun {
public:
    explicit TReaderRun(TComponent& root) : FRoot(root) {}

    void Run(const TFormObject& tree)
    {
        try {
            const TClassInfo* described = FindClass(tree.ClassName);
            if (!described || !FRoot.ClassInfo().InheritsFrom(*described))
                if (!SameText(FRoot.ClassName(), tree.ClassName))
                    throw EClassNotFound(tree.Line, "", "Class " + tree.ClassName + " does not match " + FRoot.ClassName());
            FRoot.BeginLoading();
            FLoaded.push_back(&FRoot);
            if (!tree.Name.empty()) FRoot.SetName(tree.Name);
            ReadProperties(FRoot, tree.Properties);
            for (const auto& child : tree.Children) ReadComponent(child, &FRoot);
            ResolveFixups();
            BindFields(tree.Line);
            for (TComponent* c : FLoaded) c->EndReading();
        } catch (...) {
            Undo();
            throw;
        }
        // Loaded runs once per component, after the whole form has been read.
        for (TComponent* c : FLoaded) c->Loaded();
    }

private:
    // Leaves nothing half-built: no field points at what this read made, which goes again,
    // newest first; what it read into (the root and components its constructor made) is
    // loaded, so that it works as it did before the read.
    void Undo()
    {
        for (const TClassInfo* cls = &FRoot.ClassInfo(); cls; cls = cls->Parent)
            for (const auto& f : cls->Fields)
                if (Created(f.Get(FRoot))) f.Set(FRoot, nullptr);
        for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it) {
            TComponent* c = *it;
            FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), c), FLoaded.end());
            c->Free();
        }
        for (TComponent* c : FLoaded) c->EndReading();
        for (TComponent* c : FLoaded) {
            try {
                c->Loaded();
            } catch (...) {
                // The read's own error is the one reported.
            }
        }
    }

    bool Created(const TComponent* c) const
    {
        return c && std::find(FCreated.begin(), FCreated.end(), c) != FCreated.end();
    }

    void ReadComponent(const TFormObject& obj, TComponent* parent)
    {
        const TClassInfo* cls = FindClass(obj.ClassName);
        if (!cls || !cls->Create) throw EClassNotFound(obj.Line, "", "Class " + obj.ClassName + " not found");
        TComponent* comp = nullptr;
        if (!obj.Name.empty()) {
            // A component the root's constructor made already is read into, not made twice.
            TComponent* existing = FRoot.FindComponent(obj.Name);
            if (existing && !Created(existing) && existing->ClassInfo().InheritsFrom(*cls)) comp = existing;
        }
        if (!comp) {
            comp = cls->Create(&FRoot);
            FCreated.push_back(comp);
            try {
                comp->SetName(obj.Name);
            } catch (const EReadError&) {
                throw;
            } catch (const Exception& e) {
                throw EReadError(obj.Line, "Name", e.Message());
            }
        }
        comp->BeginLoading();
        FLoaded.push_back(comp);
        try {
            comp->SetParentComponent(parent);
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            throw EReadError(obj.Line, "", e.Message());
        }
        ReadProperties(*comp, obj.Properties);
        for (const auto& child : obj.Children) ReadComponent(child, comp);
    }

    void ReadProperties(TPersistent& instance, const std::vector<TFormProperty>& props)
    {
        for (const auto& p : props) {
            try {
                ReadProperty(instance, p);
            } catch (const EReadError&) {
                throw;
            } catch (const Exception& e) {
                // A setter that refuses a value: report it where it was read.
                throw EReadError(p.Line, p.Name, e.Message());
            }
        }
    }

    void ReadProperty(TPersistent& instance, const TFormProperty& p)
    {
        // Walk dotted names through owned sub-objects: Font.Name, CaptionButton.Hint.
        TPersistent* target = &instance;
        std::string_view rest = p.Name;
        for (;;) {
            size_t dot = rest.find('.');
            if (dot == std::string_view::npos) break;
            std::string_view head = rest.substr(0, dot);
            const TPropInfo* sub = target->ClassInfo().FindProp(head);
            if (!sub || sub->Kind != TPropKind::Object) throw EReadError(p.Line, p.Name, "Unknown property");
            TPersistent* next = std::get<TPersistent*>(sub->Get(*target));
            if (!next) throw EReadError(p.Line, p.Name, "Property has no object");
            target = next;
            rest = rest.substr(dot + 1);
        }
        const std::string last(rest);
        const TPropInfo* info = target->ClassInfo().FindProp(last);
        if (!info) {
            if (target->ReadDefinedProperty(last, p.Value)) return;
            throw EReadError(p.Line, p.Name, "Unknown property");
        }
        const TFormValue& v = p.Value;
        switch (info->Kind) {
        case TPropKind::Integer: {
            long long n = 0;
            if (v.Kind == TFormValueKind::Integer)
                n = v.Integer;
            else if (v.Kind == TFormValueKind::Identifier && info->Idents) {
                auto m = info->Idents->ToInt(v.Text);
                if (!m) throw EReadError(p.Line, p.Name, "Invalid property value " + v.Text);
                n = *m;
            } else
                WrongType(p, "an integer");
            // Integer properties are 32-bit: signed or unsigned, nothing wider.
            if (n < INT_MIN || n > static_cast<long long>(UINT_MAX))
                throw EReadError(p.Line, p.Name, "Integer value out of range");
            if (n > INT_MAX) n -= 0x100000000LL;
            info->Set(*target, TPropValue(n));
            return;
        }
        case TPropKind::Boolean:
            if (v.Kind == TFormValueKind::Identifier && SameText(v.Text, "True"))
                info->Set(*target, TPropValue(true));
            else if (v.Kind == TFormValueKind::Identifier && SameText(v.Text, "False"))
                info->Set(*target, TPropValue(false));
            else
                WrongType(p, "True or False");
            return;
        case TPropKind::String:
            if (v.Kind != TFormValueKind::String) WrongType(p, "a string");
            info->Set(*target, TPropValue(v.Text));
            return;
        case TPropKind::Float:
            if (v.Kind == TFormValueKind::Float)
                info->Set(*target, TPropValue(v.Float));
            else if (v.Kind == TFormValueKind::Integer)
                info->Set(*target, TPropValue(static_cast<double>(v.Integer)));
            else
                WrongType(p, "a number");
            return;
        case TPropKind::Enum: {
            if (v.Kind != TFormValueKind::Identifier) WrongType(p, "an identifier");
            for (size_t i = 0; i < info->Names.size(); ++i)
                if (SameText(info->Names[i], v.Text)) {
                    info->Set(*target, TPropValue(static_cast<long long>(i)));
                    return;
                }
            throw EReadError(p.Line, p.Name, "Invalid property value " + v.Text);
        }
        case TPropKind::Set: {
            if (v.Kind != TFormValueKind::Set) WrongType(p, "a set");
            unsigned long long bits = 0;
            for (const auto& member : v.Set) {
                auto it = std::find_if(info->Names.begin(), info->Names.end(), [&](const std::string& n) { return SameText(n, member); });
                if (it == info->Names.end()) throw EReadError(p.Line, p.Name, "Invalid set member " + member);
                // A set value holds 64 members; those of a larger type cannot be stored.
                const auto index = static_cast<size_t>(it - info->Names.begin());
                if (index >= kSetBits) throw EReadError(p.Line, p.Name, "Set member out of range " + member);
                bits |= 1ULL << index;
            }
            info->Set(*target, TPropValue(static_cast<long long>(bits)));
            return;
        }
        case TPropKind::Object:
            throw EReadError(p.Line, p.Name, "Wrong value type: an object property takes its values dotted");
        case TPropKind::Component:
            if (v.Kind != TFormValueKind::Identifier) WrongType(p, "a component name");
            // References are resolved once every component of the form exists.
            FFixups.push_back({target, info, v.Text, p.Line, p.Name});
            return;
        case TPropKind::Event: {
            if (v.Kind != TFormValueKind::Identifier) WrongType(p, "a method name");
            const TMethodInfo* m = FRoot.ClassInfo().FindMethod(v.Text);
            if (!m) throw EReadError(p.Line, p.Name, "Method " + v.Text + " not found in " + FRoot.ClassName());
            info->SetMethod(*target, m->Name, m->Bind(&FRoot));
            return;
        }
        }
    }

    void ResolveFixups()
    {
        for (const auto& f : FFixups) {
            std::string_view name = f.ComponentName;
            // "Form1.PopupMenu1" names a component of the root itself.
            if (size_t dot = name.find('.'); dot != std::string_view::npos) {
                if (!SameText(name.substr(0, dot), FRoot.Name()))
                    throw EReadError(f.Line, f.PropertyName, "Invalid property value " + f.ComponentName);
                name = name.substr(dot + 1);
            }
            TComponent* c = SameText(name, FRoot.Name()) ? &FRoot : FRoot.FindComponent(name);
            if (!c) throw EReadError(f.Line, f.PropertyName, "Invalid property value: no component named " + f.ComponentName);
            if (f.Prop->RefClass && !c->ClassInfo().InheritsFrom(f.Prop->RefClass()))
                throw EReadError(f.Line, f.PropertyName, c->Name() + " is not a " + f.Prop->RefClass().Name);
            f.Prop->Set(*f.Instance, TPropValue(static_cast<TPersistent*>(c)));
        }
    }

    // The root's published fields point at its stored components, before any Loaded runs.
    void BindFields(int rootLine)
    {
        for (const TClassInfo* cls = &FRoot.ClassInfo(); cls; cls = cls->Parent)
            for (const auto& f : cls->Fields) {
                TComponent* c = FRoot.FindComponent(f.Name);
                if (!c || !c->ClassInfo().InheritsFrom(f.Class()))
                    throw EReadError(rootLine, f.Name, "The stored form has no " + f.Class().Name + " named " + f.Name);
                f.Set(FRoot, c);
            }
    }

    TComponent& FRoot;
    std::vector<TComponent*> FCreated;
    std::vector<TComponent*> FLoaded;
    std::vector<TFixup> FFixups;
};

// --- writing ---------------------------------------------------------------------------

bool SameValue(const TPropValue& a, const TPropValue& b)
{
    return a == b;
}

TFormValue Ident(std::string s)
{
    TFormValue v;
    v.Kind = TFormValueKind::Identifier;
    v.Text = std::move(s);
    return v;
}

class TWriterRun {
public:
    explicit TWriterRun(const TComponent& root) : FRoot(root) {}

    TFormObject Object(const TComponent& c)
    {
        TFormObject o;
        o.Name = c.Name();
        o.ClassName = c.ClassName();
        Properties(c, "", o.Properties);
        std::vector<TComponent*> children;
        c.GetChildren(children, const_cast<TComponent*>(&FRoot));
        for (TComponent* child : children) o.Children.push_back(Object(*child));
        return o;
    }

private:
    void Properties(const TPersistent& obj, const std::string& prefix, std::vector<TFormProperty>& out)
    {
        for (const TPropInfo* info : obj.ClassInfo().AllProps()) {
            const std::string name = prefix + info->Name;
            switch (info->Kind) {
            case TPropKind::Object: {
                if (!info->Get) break;
                if (TPersistent* sub = std::get<TPersistent*>(info->Get(obj))) Properties(*sub, name + ".", out);
                break;
            }
            case TPropKind::Event: {
                std::string m = info->GetMethod(obj);
                if (!m.empty()) out.push_back({name, Ident(m), 0});
                break;
            }
            case TPropKind::Component: {
                auto* c = static_cast<TComponent*>(std::get<TPersistent*>(info->Get(obj)));
                // Only what the reader finds again is stored: the root and what it owns. A
                // component of another form would make the stored form unreadable.
                if (!c || c->Name().empty() || (c != &FRoot && c->Owner() != &FRoot)) break;
                out.push_back({name, Ident(c->Name()), 0});
                break;
            }
            default: {
                if (!info->Get) break;
                TPropValue v = info->Get(obj);
                bool stored = info->Stored ? info->Stored(obj) : !(info->Default && SameValue(v, *info->Default));
                if (stored) out.push_back({name, Value(*info, v), 0});
                break;
            }
            }
        }
        std::vector<std::pair<std::string, TFormValue>> defined;
        obj.WriteDefinedProperties(defined);
        for (auto& d : defined) out.push_back({prefix + d.first, std::move(d.second), 0});
    }

    static TFormValue Value(const TPropInfo& info, const TPropValue& v)
    {
        TFormValue f;
        switch (info.Kind) {
        case TPropKind::Integer: {
            long long n = std::get<long long>(v);
            if (info.Idents)
                if (auto id = info.Idents->ToIdent(n)) return Ident(*id);
            f.Kind = TFormValueKind::Integer;
            f.Integer = n;
            return f;
        }
        case TPropKind::Boolean: return Ident(std::get<bool>(v) ? "True" : "False");
        case TPropKind::String:
            f.Kind = TFormValueKind::String;
            f.Text = std::get<std::string>(v);
            return f;
        case TPropKind::Float:
            f.Kind = TFormValueKind::Float;
            f.Float = std::get<double>(v);
            return f;
        case TPropKind::Enum: {
            auto n = static_cast<size_t>(std::get<long long>(v));
            if (n < info.Names.size()) return Ident(info.Names[n]);
            f.Kind = TFormValueKind::Integer;
            f.Integer = static_cast<long long>(n);
            return f;
        }
        case TPropKind::Set: {
            f.Kind = TFormValueKind::Set;
            const auto bits = static_cast<unsigned long long>(std::get<long long>(v));
            for (size_t i = 0; i < info.Names.size() && i < kSetBits; ++i)
                if (bits & (1ULL << i)) f.Set.push_back(info.Names[i]);
            return f;
        }
        default: return f;
        }
    }

    const TComponent& FRoot;
};

} // namespace

void TFormReader::ReadRoot(TComponent& root, std::string_view text)
{
    ReadRoot(root, ParseFormText(text));
}

void TFormReader::ReadRoot(TComponent& root, const TFormObject& tree)
{
    TReaderRun(root).Run(tree);
}

TComponent* TFormReader::CreateRoot(std::string_view text, TComponent* owner)
{
    TFormObject tree = ParseFormText(text);
    const TClassInfo* cls = FindClass(tree.ClassName);
    if (!cls || !cls->Create) throw EClassNotFound(tree.Line, "", "Class " + tree.ClassName + " not found");
    TOwnedPtr<TComponent> root(cls->Create(owner));
    ReadRoot(*root, tree);
    return root.release();
}

TFormObject TFormWriter::WriteTree(const TComponent& root)
{
    return TWriterRun(root).Object(root);
}

std::string TFormWriter::Write(const TComponent& root)
{
    return WriteFormText(WriteTree(root));
}
