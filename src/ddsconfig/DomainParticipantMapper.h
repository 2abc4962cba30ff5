#pragma once

// Maps the participant-configuration file onto a DomainInfo: the chosen participant's domain
// (registered types, topics) and its readers and writers, checking every name and QoS
// reference. Each check throws std::runtime_error with its exact message at the first
// problem, so a file is mapped whole or not at all.

#include "ddsconfig/DomainInfo.h"

#include <filesystem>
#include <memory>
#include <string>

namespace pugi {
class xml_document;
class xml_node;
}  // namespace pugi

namespace Quorvel {
class EngineDDSConfig;
}

namespace Quorvel::ddsconfig {

enum class EndpointMapping { MAP, SKIP };

// `participantName` is "participant_library::participant", or empty for the first one. With
// EndpointMapping::SKIP only the participant's domain is mapped (its readers and writers, and
// the QoS profiles they name, are neither checked nor recorded).
std::shared_ptr<DomainInfo> MapDDSDomainParticipantConfiguration(const std::filesystem::path& file,
                                                                 const EngineDDSConfig& config,
                                                                 const std::string& participantName,
                                                                 EndpointMapping endpoints = EndpointMapping::MAP);
void MapDDSDomainConfiguration(const pugi::xml_document& document, DomainInfo& info,
                               const EngineDDSConfig& config);
void MapTypeNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, const EngineDDSConfig& config);
void MapTopicNameToTypeDef(DomainInfo& info, const pugi::xml_node& domain, const EngineDDSConfig& config);
void MapDDSEndpoints(DomainInfo& info, const pugi::xml_node& participant, const EngineDDSConfig& config);

}  // namespace Quorvel::ddsconfig
