#include "ChangeQueue.h"

#include <iterator>

namespace {

using Kind = RegistryChange::Kind;

// What the reader is to hear instead of `waiting` followed by `next`, both for one device;
// nothing when the two cancel out.
std::optional<RegistryChange> Fold(const RegistryChange& waiting, const RegistryChange& next)
{
    RegistryChange folded = next;
    if (next.kind == Kind::Seen) {
        folded.kind = waiting.kind; // the news stays; the device is as last heard
        folded.reason = waiting.reason;
    } else if (waiting.kind == Kind::Appeared && next.kind == Kind::Changed) {
        folded.kind = Kind::Appeared;
    } else if (waiting.kind == Kind::Appeared && next.kind == Kind::Gone) {
        return std::nullopt; // came and went before the reader heard of it
    } else if (waiting.kind == Kind::Gone && next.kind == Kind::Appeared) {
        folded.kind = Kind::Changed; // the reader still knows it: it is listed again
    }
    return folded;
}

} // namespace

bool CChangeQueue::Push(const RegistryChange& change)
{
    std::lock_guard guard(lock);
    const bool wasEmpty = entries.empty();
    const std::string address(TextOf(change.device.ip));
    const auto waiting = byAddress.find(address);
    if (waiting == byAddress.end()) {
        if (entries.size() >= kMaxEntries)
            return false; // the reader is this far behind: a new device waits for its next report
        Append(change, address);
        return wasEmpty;
    }
    if (auto folded = Fold(*waiting->second, change)) {
        *waiting->second = *folded;
    } else {
        entries.erase(waiting->second);
        byAddress.erase(waiting);
    }
    return wasEmpty;
}

std::optional<RegistryChange> CChangeQueue::Pop()
{
    std::lock_guard guard(lock);
    if (entries.empty())
        return std::nullopt;
    RegistryChange change = entries.front();
    if (Index::node_type key = byAddress.extract(std::string(TextOf(change.device.ip))))
        spareKeys.push_back(std::move(key));
    spareEntries.splice(spareEntries.end(), entries, entries.begin());
    return change;
}

std::list<RegistryChange>::iterator CChangeQueue::Append(const RegistryChange& change,
                                                         const std::string& address)
{
    if (spareEntries.empty()) {
        entries.push_back(change);
    } else {
        entries.splice(entries.end(), spareEntries, spareEntries.begin());
        entries.back() = change;
    }
    const auto entry = std::prev(entries.end());
    if (spareKeys.empty()) {
        byAddress.emplace(address, entry);
        return entry;
    }
    Index::node_type key = std::move(spareKeys.back());
    spareKeys.pop_back();
    key.key() = address;
    key.mapped() = entry;
    byAddress.insert(std::move(key));
    return entry;
}

std::size_t CChangeQueue::Size()
{
    std::lock_guard guard(lock);
    return entries.size();
}

void CChangeQueue::Clear()
{
    std::lock_guard guard(lock);
    std::list<RegistryChange>().swap(entries);
    std::list<RegistryChange>().swap(spareEntries);
    Index().swap(byAddress);
    std::vector<Index::node_type>().swap(spareKeys);
}
