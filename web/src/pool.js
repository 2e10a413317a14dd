// The page's workers: requests wait in one queue and each worker takes the next one when it has
// answered the last, so that a model's reading or scaling stays on the worker that began it,
// and as many models are worked on at once as there are workers. Workers are started as the
// queue needs them, up to the number asked for. Stopping ends every worker at once and answers
// every request still waiting. Shared by the page and Node's tests (which give it workers of
// their own making).
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryPool = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  // The number of workers for this machine: `forced` when it is a whole number from 1 to 64
  // (the page's `workers=N`, for measurements), else one per core the browser reports.
  function workerCount(forced, cores) {
    const asked = Number(forced);
    if (forced !== null && forced !== undefined && forced !== '' && Number.isInteger(asked) &&
        asked >= 1 && asked <= 64) {
      return asked;
    }
    return Math.max(1, Math.min(16, Math.floor(Number(cores)) || 1));
  }

  class WorkerPool {
    // `makeWorker()` gives a new Worker (or anything with postMessage, terminate, onmessage
    // and onerror); `onBroken(message)` hears of a worker whose module could not start.
    constructor(size, makeWorker, onBroken) {
      this.size = size;
      this.makeWorker = makeWorker;
      this.onBroken = onBroken || (() => {});
      this.slots = [];
      this.queue = [];
      this.nextId = 0;
    }

    // Requests waiting or under way.
    get pending() {
      return this.queue.length + this.slots.filter((slot) => slot.request || slot.own.length).length;
    }

    // Runs `type` with `payload` on the next free worker; `first` puts it before those waiting.
    // Answers the worker's answer; `onProgress(done, total)` hears its progress.
    run(type, payload, onProgress, first) {
      return new Promise((resolve) => {
        const request = { type, payload, onProgress, resolve };
        if (first) this.queue.unshift(request);
        else this.queue.push(request);
        this.dispatch();
      });
    }

    // Runs `type` on every worker started so far, each after what it is doing.
    everyWorker(type, payload) {
      return Promise.all(this.slots.map((slot) => new Promise((resolve) => {
        slot.own.push({ type, payload, resolve });
        this.dispatch();
      })));
    }

    // Ends every worker at once, answering each request under way or waiting with `answer`.
    stop(answer) {
      const waiting = [...this.queue];
      this.queue = [];
      for (const slot of this.slots) {
        slot.worker.onmessage = slot.worker.onerror = null;
        slot.worker.terminate();
        if (slot.request) waiting.push(slot.request);
        waiting.push(...slot.own);
      }
      this.slots = [];
      for (const request of waiting) request.resolve(answer);
    }

    // Takes back every request of `type`, waiting or under way (ending the workers that run
    // one), answering each with `answer`: work that may be done again later gives way.
    drop(type, answer) {
      const dropped = this.queue.filter((request) => request.type === type);
      this.queue = this.queue.filter((request) => request.type !== type);
      for (const slot of [...this.slots]) {
        if (!slot.request || slot.request.type !== type) continue;
        slot.worker.onmessage = slot.worker.onerror = null;
        slot.worker.terminate();
        this.slots = this.slots.filter((s) => s !== slot);
        dropped.push(slot.request, ...slot.own);
      }
      for (const request of dropped) request.resolve(answer);
      this.dispatch();
    }

    dispatch() {
      for (const slot of this.slots) {
        if (!slot.request) this.give(slot);
      }
      while (this.queue.length > 0 && this.slots.length < this.size) {
        this.give(this.start());
      }
    }

    give(slot) {
      const request = slot.own.shift() || this.queue.shift();
      if (!request) return;
      slot.request = request;
      request.id = ++this.nextId;
      slot.worker.postMessage(Object.assign({ type: request.type, id: request.id }, request.payload));
    }

    start() {
      const slot = { worker: this.makeWorker(), request: null, own: [] };
      slot.worker.onmessage = (event) => {
        const message = event.data;
        const request = slot.request;
        if (message.type === 'progress') {
          if (request && request.id === message.id && request.onProgress) {
            request.onProgress(message.done, message.total);
          }
        } else if (message.type === 'answer') {
          if (!request || request.id !== message.id) return;
          slot.request = null;
          request.resolve(message.answer);
          this.dispatch();
        } else if (message.type === 'broken') {
          this.fail(slot, 'The scaling module could not start: ' + message.message);
          this.onBroken(message.message);
        }
      };
      slot.worker.onerror = (event) => {
        if (event.preventDefault) event.preventDefault();
        this.fail(slot, 'The scaling stopped unexpectedly' + (event.message ? ': ' + event.message : '.'));
      };
      this.slots.push(slot);
      return slot;
    }

    // A worker that broke: its request fails, it is replaced, and the others go on.
    fail(slot, message) {
      slot.worker.onmessage = slot.worker.onerror = null;
      slot.worker.terminate();
      this.slots = this.slots.filter((s) => s !== slot);
      const failed = [slot.request, ...slot.own].filter(Boolean);
      for (const request of failed) request.resolve({ ok: false, message });
      this.dispatch();
    }
  }

  return { WorkerPool, workerCount };
});
