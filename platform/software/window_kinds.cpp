#include "platform/software/window_kinds.h"

#include <map>
#include <string>

namespace {

std::map<std::string, WindowKind>& Kinds()
{
    static std::map<std::string, WindowKind> kinds;
    return kinds;
}

} // namespace

// Registering a kind again replaces its description, so that a program
// started twice in one process (as tests do) finds its kind as it left it.
bool RegisterWindowKind(const WindowKind* kind)
{
    if (!kind || !kind->name || !kind->procedure)
        return false;
    const auto entry = Kinds().insert_or_assign(kind->name, *kind).first;
    entry->second.name = entry->first.c_str();
    return true;
}

const WindowKind* FindWindowKind(const char* name)
{
    if (!name)
        return nullptr;
    const auto found = Kinds().find(name);
    return found == Kinds().end() ? nullptr : &found->second;
}
