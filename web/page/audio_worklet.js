// The show's audio output on the audio rendering thread: plays the stereo
// blocks the page posts, in order, and tells the page the context time at which
// it starts each one, which the page answers with the next block. Stopped, it
// plays silence and keeps its place.
class NivoraOutput extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = [];
    this.block = null;
    this.at = 0;
    this.running = false;
    this.closed = false;
    this.port.onmessage = (e) => {
      const m = e.data;
      if (m.block) this.queue.push(m.block);
      else if (m.close) this.closed = true;
      else if ("run" in m) this.running = m.run;
    };
  }

  process(inputs, outputs) {
    const left = outputs[0][0];
    const right = outputs[0][1] || left;
    for (let i = 0; i < left.length; i++) {
      if (!this.running) {
        left[i] = right[i] = 0;
        continue;
      }
      if (!this.block || this.at >= this.block.length) {
        this.block = this.queue.length ? this.queue.shift() : null;
        this.at = 0;
        if (this.block) this.port.postMessage({ at: currentTime + i / sampleRate });
      }
      if (!this.block) {
        left[i] = right[i] = 0;  // an underrun: the next block starts when it comes
        continue;
      }
      left[i] = this.block[this.at];
      right[i] = this.block[this.at + 1];
      this.at += 2;
    }
    return !this.closed;
  }
}

registerProcessor("nivora-output", NivoraOutput);
