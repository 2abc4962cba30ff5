#pragma once

namespace Quorvel::ddsconfig {

struct TypeFileMetadata;
struct PendingDeclaration;

// Finishes a member, union member or typedef once the type it uses is known: resolves its
// annotation values, combines it with the metadata of the typedef it uses, checks its ranges
// and stores the result. Returns false (and changes nothing) while its nonBasic type, or a
// typedef on the way to the resolved type, is not known yet. Throws the range message.
bool CompleteDeclaration(TypeFileMetadata& metadata, const PendingDeclaration& declaration);

// Completes every pending declaration whose type is known by now, in declaration order, until
// nothing more can be completed. With `strict`, a declaration left over is an error: "No type
// found for nonBasicType: <name> in file <file>".
void CompletePendingDeclarations(TypeFileMetadata& metadata, bool strict);

}  // namespace Quorvel::ddsconfig
