#include "converter/chm_distill.h"

namespace tomeshift {

TCHMDistill::TCHMDistill() = default;

TCHMDistill::~TCHMDistill() = default;

void TCHMDistill::Execute() {}

}  // namespace tomeshift
