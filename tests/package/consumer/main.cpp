// Uses the installed library the way an application would: one header, one target.
#include <quorvel/Veltrane.h>

#include <iostream>

int main() {
  Quorvel::EngineConfiguration configuration;
  configuration.operationMode = Quorvel::EngineOperationMode::TYPE_INTROSPECTION;
  Quorvel::Veltrane veltrane;
  if (veltrane.OperationMode() != Quorvel::EngineOperationMode::ACTIVE_DYNAMIC_MONITORING) {
    return 1;
  }
  std::cout << "Veltrane " << Quorvel::Veltrane::Version() << '\n';
  return 0;
}
