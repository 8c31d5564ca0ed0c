#pragma once

namespace vorlane {
int runPlaceholder();
}
