// framework/Classes.cpp
#include "Classes.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "FormText.h"

namespace {

// Function-local registries: units register from static initialisers in any order.
std::vector<const TClassInfo*>& ClassRegistry()
{
    static std::vector<const TClassInfo*> registry;
    return registry;
}

std::map<std::string, std::unique_ptr<TIdentMap>>& IdentMaps()
{
    static std::map<std::string, std::unique_ptr<TIdentMap>> maps;
    return maps;
}

} // namespace

// --- TIdentMap -------------------------------------------------------------------------

void TIdentMap::Add(std::string ident, long long value, bool first)
{
    if (first)
        FEntries.insert(FEntries.begin(), {std::move(ident), value});
    else
        FEntries.emplace_back(std::move(ident), value);
}

std::optional<long long> TIdentMap::ToInt(std::string_view ident) const
{
    for (const auto& e : FEntries)
        if (SameText(e.first, ident)) return e.second;
    return std::nullopt;
}

std::optional<std::string> TIdentMap::ToIdent(long long value) const
{
    for (const auto& e : FEntries)
        if (e.second == value) return e.first;
    return std::nullopt;
}

TIdentMap& IdentMap(const std::string& name)
{
    auto& maps = IdentMaps();
    auto it = maps.find(name);
    if (it == maps.end()) it = maps.emplace(name, std::make_unique<TIdentMap>(name)).first;
    return *it->second;
}

// --- TClassInfo ------------------------------------------------------------------------

bool TClassInfo::InheritsFrom(const TClassInfo& other) const noexcept
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == &other) return true;
    return false;
}

const TPropInfo* TClassInfo::FindProp(std::string_view name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const auto& p : c->Props)
            if (SameText(p.Name, name)) return &p;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const auto& m : c->Methods)
            if (SameText(m.Name, name)) return &m;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent) chain.push_back(c);
    std::vector<const TPropInfo*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const auto& p : (*it)->Props) {
            // A descendant may redeclare a property (another default): keep the newest.
            auto same = std::find_if(out.begin(), out.end(), [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
            if (same != out.end())
                *same = &p;
            else
                out.push_back(&p);
        }
    return out;
}

void RegisterComponentClass(const TClassInfo& info)
{
    auto& reg = ClassRegistry();
    for (auto& c : reg)
        if (SameText(c->Name, info.Name)) {
            c = &info;
            return;
        }
    reg.push_back(&info);
}

const TClassInfo* FindClass(std::string_view name)
{
    for (const TClassInfo* c : ClassRegistry())
        if (SameText(c->Name, name)) return c;
    return nullptr;
}

// --- TObject / TPersistent -------------------------------------------------------------

const TClassInfo& TObject::StaticClassInfo()
{
    static const TClassInfo info{"TObject", nullptr, nullptr, {}, {}};
    return info;
}

const TClassInfo& TPersistent::StaticClassInfo()
{
    static const TClassInfo info{"TPersistent", &TObject::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

void TPersistent::Assign(const TPersistent& source)
{
    throw EInvalidOperation("Cannot assign a " + source.ClassName() + " to a " + ClassName());
}

bool TPersistent::ReadDefinedProperty(const std::string&, const TFormValue&)
{
    return false;
}

void TPersistent::WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>&) const {}

// --- TComponent ------------------------------------------------------------------------

const TClassInfo& TComponent::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TComponent", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        // Name is read by the reader itself (from the object header), never as a property.
        return i;
    }();
    return info;
}

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    DestroyComponents();
    // Tell those who asked, then forget them; they forget us in turn.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& theirs = other->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, TOperation::Remove);
    }
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name)
{
    if (name == FName) return;
    if (!name.empty() && FOwner) {
        TComponent* same = FOwner->FindComponent(name);
        if (same && same != this) throw EInvalidOperation("A component named " + name + " already exists");
    }
    FName = name;
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, name)) return c;
    return nullptr;
}

int TComponent::ComponentIndex() const
{
    if (!FOwner) return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetDesigning(bool value)
{
    SetStateFlag(TComponentState::Designing, value);
    for (TComponent* c : FComponents) c->SetDesigning(value);
}

void TComponent::SetStateFlag(TComponentState s, bool on)
{
    if (on)
        FState |= static_cast<unsigned>(s);
    else
        FState &= ~static_cast<unsigned>(s);
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end())
        FFreeNotifies.push_back(other);
    if (std::find(other->FFreeNotifies.begin(), other->FFreeNotifies.end(), this) == other->FFreeNotifies.end())
        other->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    if (!other) return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), other), FFreeNotifies.end());
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->FOwner == this) return;
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    if (!component->FName.empty() && FindComponent(component->FName))
        throw EInvalidOperation("A component named " + component->FName + " already exists");
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, TOperation::Insert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it == FComponents.end()) return;
    Notification(component, TOperation::Remove);
    FComponents.erase(std::find(FComponents.begin(), FComponents.end(), component));
    component->FOwner = nullptr;
    // A published field never points at a component that has left its owner.
    for (const TClassInfo* c = &ClassInfo(); c; c = c->Parent)
        for (const auto& f : c->Fields)
            if (f.Get(*this) == component) f.Set(*this, nullptr);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        // Unlink first so the child's destructor does not come back to this list.
        FComponents.pop_back();
        last->FOwner = nullptr;
        // Those owned by us hear of the removal while they are intact.
        Notification(last, TOperation::Remove);
        last->Free();
    }
}

void TComponent::Destroying()
{
    if (IsDestroying()) return;
    SetStateFlag(TComponentState::Destroying, true);
    for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::GetChildren(std::vector<TComponent*>& out, TComponent* root) const
{
    if (this != root) return;
    for (TComponent* c : FComponents)
        if (!c->HasParent()) out.push_back(c);
}

void TComponent::BeginLoading()
{
    SetStateFlag(TComponentState::Loading, true);
    SetStateFlag(TComponentState::Reading, true);
}

void TComponent::EndReading()
{
    SetStateFlag(TComponentState::Reading, false);
}

void TComponent::Loaded()
{
    SetStateFlag(TComponentState::Loading, false);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::Remove && component) RemoveFreeNotification(component);
    // An owner passes every notice on to what it owns, so siblings learn of each other.
    for (size_t i = 0; i < FComponents.size(); ++i)
        if (FComponents[i] != component) FComponents[i]->Notification(component, operation);
}

// --- TStrings --------------------------------------------------------------------------

const TClassInfo& TStrings::StaticClassInfo()
{
    static const TClassInfo info{"TStrings", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
    return info;
}

void TStrings::Changed()
{
    OnChange(this);
}

void TStrings::Put(int index, std::string s)
{
    FItems.at(static_cast<size_t>(index)) = std::move(s);
    Changed();
}

int TStrings::Add(std::string s)
{
    FItems.push_back(std::move(s));
    Changed();
    return Count() - 1;
}

void TStrings::Insert(int index, std::string s)
{
    if (index < 0 || index > Count()) throw EInvalidOperation("List index out of bounds (" + IntToStr(index) + ")");
    FItems.insert(FItems.begin() + index, std::move(s));
    Changed();
}

void TStrings::Delete(int index)
{
    if (index < 0 || index >= Count()) throw EInvalidOperation("List index out of bounds (" + IntToStr(index) + ")");
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStrings::Clear()
{
    if (FItems.empty()) return;
    FItems.clear();
    Changed();
}

int TStrings::IndexOf(std::string_view s) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(FItems[static_cast<size_t>(i)], s)) return i;
    return -1;
}

std::string TStrings::Text() const
{
    std::string out;
    for (const auto& s : FItems) {
        out += s;
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(std::string_view text)
{
    FItems.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
        FItems.emplace_back(text.substr(i, j - i));
        if (j < text.size() && text[j] == '\r') ++j;
        if (j < text.size() && text[j] == '\n') ++j;
        i = j;
    }
    Changed();
}

std::string TStrings::Values(std::string_view name) const
{
    for (const auto& s : FItems) {
        size_t eq = s.find('=');
        if (eq != std::string::npos && SameText(std::string_view(s).substr(0, eq), name)) return s.substr(eq + 1);
    }
    return {};
}

void TStrings::SetValues(std::string_view name, const std::string& value)
{
    for (int i = 0; i < Count(); ++i) {
        const auto& s = FItems[static_cast<size_t>(i)];
        size_t eq = s.find('=');
        if (eq != std::string::npos && SameText(std::string_view(s).substr(0, eq), name)) {
            if (value.empty())
                Delete(i);
            else
                Put(i, std::string(name) + "=" + value);
            return;
        }
    }
    if (!value.empty()) Add(std::string(name) + "=" + value);
}

void TStrings::Assign(const TPersistent& source)
{
    if (auto* s = dynamic_cast<const TStrings*>(&source)) {
        FItems = s->FItems;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

bool TStrings::ReadDefinedProperty(const std::string& name, const TFormValue& value)
{
    if (!SameText(name, "Strings")) return false;
    if (value.Kind != TFormValueKind::List) throw EReadError(value.Line, name, "Wrong value type: expected a list of strings");
    std::vector<std::string> items;
    for (const auto& v : value.List) {
        if (v.Kind != TFormValueKind::String) throw EReadError(v.Line, name, "Wrong value type: expected a string");
        items.push_back(v.Text);
    }
    FItems = std::move(items);
    Changed();
    return true;
}

void TStrings::WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const
{
    if (FItems.empty()) return;
    TFormValue list;
    list.Kind = TFormValueKind::List;
    for (const auto& s : FItems) {
        TFormValue v;
        v.Kind = TFormValueKind::String;
        v.Text = s;
        list.List.push_back(std::move(v));
    }
    out.emplace_back("Strings", std::move(list));
}

// --- Streams ---------------------------------------------------------------------------

long TStream::Size()
{
    long pos = Seek(0, TSeekOrigin::Current);
    long size = Seek(0, TSeekOrigin::End);
    Seek(pos, TSeekOrigin::Beginning);
    return size;
}

void TStream::SetSize(long)
{
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* buffer, long count)
{
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, long count)
{
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

long TStream::CopyFrom(TStream& source, long count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    long left = count;
    unsigned char buf[8192];
    while (left > 0) {
        long n = left < static_cast<long>(sizeof buf) ? left : static_cast<long>(sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return count;
}

long TMemoryStream::Read(void* buffer, long count)
{
    if (count <= 0 || FPosition >= static_cast<long>(FData.size())) return 0;
    long n = std::min<long>(count, static_cast<long>(FData.size()) - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

long TMemoryStream::Write(const void* buffer, long count)
{
    if (count <= 0) return 0;
    size_t end = static_cast<size_t>(FPosition) + static_cast<size_t>(count);
    if (end > FData.size()) FData.resize(end);
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition += count;
    return count;
}

long TMemoryStream::Seek(long offset, TSeekOrigin origin)
{
    long base = origin == TSeekOrigin::Beginning ? 0 : origin == TSeekOrigin::Current ? FPosition : static_cast<long>(FData.size());
    long pos = base + offset;
    if (pos < 0) pos = 0;
    FPosition = pos;
    return FPosition;
}

void TMemoryStream::SetSize(long size)
{
    FData.resize(static_cast<size_t>(size < 0 ? 0 : size));
    if (FPosition > static_cast<long>(FData.size())) FPosition = static_cast<long>(FData.size());
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}
