#include "passive/ThreadPoolPost.h"

#include <boost/asio/post.hpp>
#include <boost/asio/thread_pool.hpp>

namespace Quorvel::passive {

void PostToPool(boost::asio::thread_pool& pool, std::function<void()> task) {
  boost::asio::post(pool, std::move(task));
}

}  // namespace Quorvel::passive
