#pragma once

#include <functional>

namespace boost::asio {
class thread_pool;
}

namespace Quorvel::passive {

// Posts one task to the pool. Kept out of line so headers of the pipeline need no asio.
void PostToPool(boost::asio::thread_pool& pool, std::function<void()> task);

}  // namespace Quorvel::passive
