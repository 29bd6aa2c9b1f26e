#include "cli/table_input.h"

#include <algorithm>

namespace {
// Whether the bytes so far could still begin the magic string.
bool MayBegin(std::string_view head, std::string_view magic)
{
    return head.size() < magic.size() && magic.starts_with(head);
}
} // namespace

TableInput::TableInput(TableReadOptions options) : options_(std::move(options)) {}

TableReadError TableInput::Forward(std::string_view piece, Table* table)
{
    if (auto* text = std::get_if<TableReader>(&reader_))
        return table ? text->Finish(*table) : text->Read(piece);
    if (auto* npy = std::get_if<NpyReader>(&reader_))
        return table ? npy->Finish(*table) : npy->Read(piece);
    NpzReader& npz = *std::get<std::unique_ptr<NpzReader>>(reader_);
    return table ? npz.Finish(*table) : npz.Read(piece);
}

// The first bytes are in (or all there are): choose the reader and hand it them.
TableReadError TableInput::Choose()
{
    const bool npy = head_.starts_with(kNpyMagic), npz = head_.starts_with(kZipMagic);
    if (!options_.array.empty() && !npz)
        return LineFault(0, "--array " + options_.array + " names an array of a .npz file, but this input is " +
                          (npy ? "a .npy file" : "a text table"));
    if (npy)
        reader_.emplace<NpyReader>(options_);
    else if (npz)
        reader_.emplace<std::unique_ptr<NpzReader>>(std::make_unique<NpzReader>(options_));
    else
        reader_.emplace<TableReader>(options_);
    return Forward(head_, nullptr);
}

TableReadError TableInput::Read(std::string_view piece)
{
    if (error_)
        return error_;
    if (std::holds_alternative<std::monostate>(reader_)) {
        const std::size_t taken = std::min(piece.size(), kNpyMagic.size() - head_.size());
        head_.append(piece.substr(0, taken));
        piece.remove_prefix(taken);
        if (MayBegin(head_, kNpyMagic) || MayBegin(head_, kZipMagic))
            return {};
        if ((error_ = Choose()))
            return error_;
    }
    return error_ = Forward(piece, nullptr);
}

TableReadError TableInput::Finish(Table& table)
{
    if (!error_ && std::holds_alternative<std::monostate>(reader_))
        error_ = Choose();
    if (error_)
        return error_;
    return error_ = Forward({}, &table);
}
