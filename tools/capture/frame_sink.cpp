#include "capture/frame_sink.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// The last non-empty line ffmpeg wrote, for the one-line error.
std::string LastLogLine(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return "";
  std::string last;
  char line[1024];
  while (std::fgets(line, sizeof line, f)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (!text.empty()) last = text;
  }
  std::fclose(f);
  return last;
}

// One PNG of RGB rows given bottom row first. Plain C objects only between
// setjmp and longjmp.
bool WritePng(const char* path, const unsigned char* rgb, int width, int height) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  // Fast compression: the frames are an intermediate for an encoder or editor.
  png_set_compression_level(png, 1);
  png_set_filter(png, 0, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  size_t stride = static_cast<size_t>(width) * 3;
  for (int y = height - 1; y >= 0; y--) png_write_row(png, rgb + stride * static_cast<size_t>(y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  bool ok = std::fflush(file) == 0 && std::ferror(file) == 0;
  return std::fclose(file) == 0 && ok;
}

void Fail(FrameSink& sink, const std::string& error) {
  std::lock_guard<std::mutex> hold(sink.lock);
  if (!sink.failed) sink.error = error;
  sink.failed = true;
  sink.queued = 0;
  sink.writerBusy = false;
  sink.changed.notify_all();
}

void RunWriter(FrameSink& sink) {
  size_t stride = static_cast<size_t>(sink.width) * 3;
  std::vector<unsigned char> flipped(sink.video ? stride * static_cast<size_t>(sink.height) : 0);
  for (;;) {
    int index;
    int64_t frame;
    {
      std::unique_lock<std::mutex> hold(sink.lock);
      sink.changed.wait(hold, [&] { return sink.queued > 0 || sink.stopping || sink.failed; });
      if (sink.failed || sink.queued == 0) return;
      index = sink.head;
      frame = sink.frameNumbers[index];
      sink.writerBusy = true;
    }
    auto start = std::chrono::steady_clock::now();
    const unsigned char* rgb = sink.buffers[index].data();
    if (sink.video) {
      // The encoder takes rows top first.
      for (int y = 0; y < sink.height; y++)
        std::memcpy(flipped.data() + stride * static_cast<size_t>(y),
                    rgb + stride * static_cast<size_t>(sink.height - 1 - y), stride);
      if (!WriteAll(sink.pipeFd, flipped.data(), flipped.size())) {
        std::string why = LastLogLine(sink.encoderLog);
        Fail(sink, "ffmpeg stopped taking frames" + (why.empty() ? "" : ": " + why));
        return;
      }
    } else {
      char name[64];
      std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frame));
      std::string path = sink.dir + name;
      std::string part = path + ".part";
      if (!WritePng(part.c_str(), rgb, sink.width, sink.height) ||
          std::rename(part.c_str(), path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        std::remove(part.c_str());
        Fail(sink, "cannot write " + path + ": " + why);
        return;
      }
    }
    std::lock_guard<std::mutex> hold(sink.lock);
    sink.writeSeconds += Seconds(start);
    if (sink.failed) return;
    sink.head = (sink.head + 1) % kSinkBuffers;
    sink.queued--;
    sink.writerBusy = false;
    sink.changed.notify_all();
  }
}

void StartWriter(FrameSink& sink, int width, int height) {
  sink.width = width;
  sink.height = height;
  for (auto& buffer : sink.buffers)
    buffer.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
  sink.head = sink.queued = 0;
  sink.stopping = sink.failed = sink.writerBusy = false;
  sink.writer = std::thread(RunWriter, std::ref(sink));
}

void StopWriter(FrameSink& sink) {
  {
    std::lock_guard<std::mutex> hold(sink.lock);
    sink.stopping = true;
    sink.changed.notify_all();
  }
  if (sink.writer.joinable()) sink.writer.join();
}

// Ends ffmpeg: closing the pipe tells it the frames are done. Returns its exit
// status, or -1 when it died of a signal.
int WaitEncoder(FrameSink& sink) {
  if (sink.pipeFd >= 0) close(sink.pipeFd);
  sink.pipeFd = -1;
  int status = 0;
  int result = -1;
  if (sink.encoder > 0) {
    while (waitpid(sink.encoder, &status, 0) < 0 && errno == EINTR) {
    }
    result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  sink.encoder = -1;
  return result;
}

}  // namespace

std::string FindFfmpeg() {
  const char* path = std::getenv("PATH");
  if (!path) return "";
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = dirs.find(':', start);
    std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/ffmpeg";
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return "";
}

bool OpenVideoSink(FrameSink& sink, const std::string& ffmpeg, const std::string& path, int width,
                   int height, int fps, const std::string& audioPath, std::string& error) {
  sink.video = true;
  sink.finalPath = path;
  sink.partPath = path + ".part";
  if (!PrepareVideoFile(path, error)) return false;
  const char* tmp = std::getenv("TMPDIR");
  std::string log = std::string(tmp && *tmp ? tmp : "/tmp") + "/nivora-capture-ffmpeg-XXXXXX";
  int logFd = mkostemp(log.data(), O_CLOEXEC);
  if (logFd < 0) {
    error = std::string("cannot make a temporary file: ") + std::strerror(errno);
    std::remove(sink.partPath.c_str());
    return false;
  }
  sink.encoderLog = log;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    close(logFd);
    std::remove(log.c_str());
    std::remove(sink.partPath.c_str());
    return false;
  }

  std::string size = std::to_string(width) + "x" + std::to_string(height);
  std::string rate = std::to_string(fps);
  std::vector<std::string> args = {
      ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
      // Raw RGB frames on standard input, the range's audio from the WAV.
      "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate,
      "-i", "pipe:0", "-i", audioPath, "-map", "0:v:0", "-map", "1:a:0",
      // H.264 in 4:2:0 with BT.709 colours (tagged, so players convert back alike).
      "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-c:v", "libx264", "-preset",
      "superfast", "-crf", "20", "-pix_fmt", "yuv420p", "-colorspace", "bt709",
      "-color_primaries", "bt709", "-color_trc", "bt709", "-c:a", "aac", "-b:a", "192k",
      "-movflags", "+faststart", "-f", "mp4", sink.partPath};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  posix_spawn_file_actions_adddup2(&actions, logFd, 1);
  posix_spawn_file_actions_adddup2(&actions, logFd, 2);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[0]);
  close(logFd);
  if (spawned != 0) {
    error = "cannot start " + ffmpeg + ": " + std::strerror(spawned);
    close(fds[1]);
    std::remove(log.c_str());
    std::remove(sink.partPath.c_str());
    return false;
  }
  // The encoder works ahead of GL only in the time GL leaves over: rendering is
  // the one chain that cannot overlap itself, so it goes first.
  setpriority(PRIO_PROCESS, static_cast<id_t>(pid), 10);
  sink.encoder = pid;
  sink.pipeFd = fds[1];
  StartWriter(sink, width, height);
  return true;
}

bool PrepareVideoFile(const std::string& path, std::string& error) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    error = "cannot write " + path + ": it is a folder";
    return false;
  }
  std::string part = path + ".part";
  int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  close(fd);
  return true;
}

void DiscardVideoFile(const std::string& path) { std::remove((path + ".part").c_str()); }

bool PrepareFrameFolder(const std::string& dir, std::string& error) {
  if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    error = "cannot make " + dir + ": " + std::strerror(errno);
    return false;
  }
  struct stat info;
  if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = dir + " is not a folder";
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    error = "cannot write into " + dir + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool OpenFrameSink(FrameSink& sink, const std::string& dir, int width, int height,
                   std::string&) {
  sink.video = false;
  sink.dir = dir;
  StartWriter(sink, width, height);
  return true;
}

unsigned char* NextFrameBuffer(FrameSink& sink) {
  auto start = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> hold(sink.lock);
  sink.changed.wait(hold, [&] { return sink.queued < kSinkBuffers || sink.failed; });
  sink.waitSeconds += Seconds(start);
  if (sink.failed) return nullptr;
  return sink.buffers[(sink.head + sink.queued) % kSinkBuffers].data();
}

void QueueFrame(FrameSink& sink, int64_t frame) {
  std::lock_guard<std::mutex> hold(sink.lock);
  if (sink.failed) return;
  sink.frameNumbers[(sink.head + sink.queued) % kSinkBuffers] = frame;
  sink.queued++;
  sink.changed.notify_all();
}

bool FinishSink(FrameSink& sink) {
  StopWriter(sink);
  if (!sink.video) return !sink.failed;
  int status = WaitEncoder(sink);
  if (!sink.failed && status != 0) {
    std::string why = LastLogLine(sink.encoderLog);
    sink.error = "ffmpeg failed" + (why.empty() ? std::string() : ": " + why);
    sink.failed = true;
  }
  if (!sink.failed && std::rename(sink.partPath.c_str(), sink.finalPath.c_str()) != 0) {
    sink.error = "cannot write " + sink.finalPath + ": " + std::strerror(errno);
    sink.failed = true;
  }
  if (sink.failed) std::remove(sink.partPath.c_str());
  std::remove(sink.encoderLog.c_str());
  return !sink.failed;
}

void AbandonSink(FrameSink& sink) {
  {
    std::lock_guard<std::mutex> hold(sink.lock);
    sink.failed = true;
    sink.queued = 0;
    sink.changed.notify_all();
  }
  // A writer blocked on a full pipe wakes with EPIPE once ffmpeg is gone.
  if (sink.encoder > 0) kill(sink.encoder, SIGKILL);
  if (sink.writer.joinable()) sink.writer.join();
  if (sink.video) {
    WaitEncoder(sink);
    std::remove(sink.partPath.c_str());
    std::remove(sink.encoderLog.c_str());
  }
}
