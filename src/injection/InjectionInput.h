#pragma once

// The caller's injection input made into the JSON document the injector reads: JSON text as
// it is, a flat map by MapToJson. Input that does not convert raises InjectionInputError with
// the message the caller sees, so that the facade can tell it from failures further on.

#include <nlohmann/json_fwd.hpp>

#include <map>
#include <stdexcept>
#include <string>

namespace Quorvel::injection {

class InjectionInputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Erroneous JSON string provided. Error:" + the parser's message. With packByteArrays, arrays
// of numbers from 0 to 255 may come packed as binary values (see ReadJsonFast): for documents
// that go to DynamicDataInjector only.
nlohmann::ordered_json ParseInjectionJson(const std::string& text, bool packByteArrays = false);

// "Veltrane::InjectMessage error converting map format: " + the conversion's message.
nlohmann::ordered_json MapToInjectionJson(const std::map<std::string, std::string>& fields);

// Empties the document's arrays of plain values (numbers, booleans, texts, nulls) element by
// element. nlohmann's destructor first moves every element of an array onto a stack of its
// own (so that deep nesting cannot overflow the call stack); for the arrays of numbers that
// large injected collections are, that costs more than reading them did. Call it on a
// document that is done with, before it goes.
void ReleaseInjectionDocument(nlohmann::ordered_json& document);

}  // namespace Quorvel::injection
