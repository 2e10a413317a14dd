// Tessary's page: chooses models, shows what each holds, and scales them in a worker; saves
// one output as a download (or where the user picks), several as a zip (or into a folder).
'use strict';
(function () {
  const L = TessaryLogic;
  const $ = (id) => document.getElementById(id);
  const MAX_MODELS = 1000;
  const PROGRESS_DELAY_MS = 500;
  const AXIS_NAMES = ['X', 'Y', 'Z'];

  const form = $('form');
  const modelInput = $('model');
  const outputInput = $('output');
  const scaleButton = $('scale');
  const cancelButton = $('cancel');
  const status = $('status');
  const list = $('models');
  const canPickFile = typeof window.showSaveFilePicker === 'function';
  const canPickFolder = typeof window.showDirectoryPicker === 'function';

  const FACTOR_FIELDS = ['scale-x', 'scale-y', 'scale-z'];

  let models = [];
  let busy = false;
  // The module on the page, which reads the fields and fits models as tessary-scale does.
  let pageApi = null;
  let pageReady = null;

  // --- The worker -------------------------------------------------------------------------

  let worker = null;
  let nextId = 0;
  const pending = new Map();

  function startWorker() {
    worker = new Worker('worker.js');
    worker.onmessage = (event) => {
      const message = event.data;
      const request = pending.get(message.id);
      if (message.type === 'progress') {
        if (request && request.onProgress) request.onProgress(message.done, message.total);
      } else if (message.type === 'answer') {
        pending.delete(message.id);
        if (request) request.resolve(message.answer);
      } else if (message.type === 'broken') {
        stopWorker({ ok: false, message: 'The scaling module could not start: ' + message.message });
      }
    };
    worker.onerror = (event) => {
      event.preventDefault();
      stopWorker({ ok: false, message: 'The scaling stopped unexpectedly' +
                   (event.message ? ': ' + event.message : '.') });
    };
  }

  // Ends the worker at once, answering every request still waiting with `answer`.
  function stopWorker(answer) {
    worker.terminate();
    const waiting = [...pending.values()];
    pending.clear();
    for (const request of waiting) request.resolve(answer);
    startWorker();
  }

  function ask(type, payload, onProgress) {
    const id = ++nextId;
    const answered = new Promise((resolve) => {
      pending.set(id, { resolve, onProgress });
      worker.postMessage(Object.assign({ type, id }, payload));
    });
    updateCancel();
    return answered.then((answer) => {
      updateCancel();
      return answer;
    });
  }

  // Cancel stops whatever the worker does: a scaling, or the reading of chosen models.
  function updateCancel() {
    cancelButton.disabled = !busy && pending.size === 0;
  }

  // --- Showing models ---------------------------------------------------------------------

  function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  // Factors as tessary-scale writes them.
  function triple(values) {
    return values.map((v) => pageApi.numberText(v)).join(' ');
  }

  // One cell per triple, x, y and z on lines of their own.
  function boxCells(row, box) {
    if (!box) {
      const cell = element('td', '', 'none');
      cell.colSpan = 3;
      row.append(cell);
      return;
    }
    // Ten significant digits: enough to read a box, without the noise of a size's subtraction.
    const shown = (v) => String(Number.isFinite(v) ? Number(v.toPrecision(10)) : v);
    for (const values of [box.min, box.max, L.boxSize(box)]) {
      row.append(element('td', 'triple', values.map(shown).join('\n')));
    }
  }

  // The fields as tessary-scale reads its arguments: { factors } ({ length } when fitting),
  // or { invalid: [{ id, reason }] } for the fields it would refuse, or { pending } while the
  // module is loading.
  function readFields() {
    if (!pageApi) return { pending: true };
    const fit = $('mode-fit').checked;
    const invalid = [];
    const values = (fit ? ['fit-length'] : FACTOR_FIELDS).map((id) => {
      const read = fit ? pageApi.readFitLength($(id).value) : pageApi.readFactor($(id).value);
      if (read.reason) invalid.push({ id, reason: read.reason });
      return read.value;
    });
    if (invalid.length > 0) return { invalid };
    return fit ? { length: values[0] } : { factors: values };
  }

  // Shows the reason of each field refused next to it, for assistive technology too, and
  // takes it away from the fields now accepted; while a field is typed in, only a field
  // already marked is looked at (`onlyMarked`), so that a number half typed is not blamed.
  function markFields(fields, onlyMarked) {
    const reasons = new Map((fields.invalid || []).map((f) => [f.id, f.reason]));
    for (const id of [...FACTOR_FIELDS, 'fit-length']) {
      const field = $(id);
      const note = $(id + '-error');
      const reason = reasons.get(id);
      if (onlyMarked && !field.hasAttribute('aria-invalid')) continue;
      note.textContent = reason || '';
      note.hidden = !reason;
      const described = (field.getAttribute('aria-describedby') || '').split(' ')
        .filter((ref) => ref && ref !== note.id);
      if (reason) {
        field.setAttribute('aria-invalid', 'true');
        described.push(note.id);
      } else {
        field.removeAttribute('aria-invalid');
      }
      if (described.length > 0) field.setAttribute('aria-describedby', described.join(' '));
      else field.removeAttribute('aria-describedby');
    }
  }

  // The factors for `model`, or why it has none (`fields` when they are refused, `pending`
  // while the module is loading).
  function currentFactors(model, fields = readFields()) {
    if (fields.pending) return { pending: true };
    if (fields.invalid) return { reason: fields.invalid.map((f) => f.reason).join('; '), fields: true };
    if (!$('mode-fit').checked) return { factors: fields.factors };
    if (!model.info) return { reason: 'it has not been read' };
    const fit = pageApi.fitFactor(model.info, Number($('fit-axis').value), fields.length);
    if (fit.reason) return { reason: fit.reason };
    return { factors: [fit.value, fit.value, fit.value], fitted: fit.value };
  }

  function renderReport(model) {
    model.report.replaceChildren();
    const info = model.info;
    if (!info) return;
    const chosen = currentFactors(model);
    const summary = element('p', 'model-state');
    summary.textContent = L.count(info.lines, 'line', 'lines') + ' · ' +
      L.count(info.positions.lines, 'position/center line', 'position/center lines') + ' · ' +
      L.count(info.vertices.blocks, 'verts block', 'verts blocks') + ', ' +
      L.count(info.vertices.lines, 'vertex line', 'vertex lines') + ' · ' +
      L.count(info.keys.blocks, 'positionkey block', 'positionkey blocks') + ', ' +
      L.count(info.keys.lines, 'key line', 'key lines');
    model.report.append(summary);
    const factorsLine = element('p', 'model-state');
    if (chosen.pending) {
      factorsLine.textContent = 'Scale factors: (the page is still loading)';
    } else if (chosen.fields) {
      factorsLine.textContent = 'Scale factors: none until the fields marked are corrected.';
    } else if (chosen.reason) {
      factorsLine.classList.add('bad');
      factorsLine.textContent = 'Unable to fit the model: ' + chosen.reason + '.';
    } else {
      factorsLine.textContent = 'Scale factors: ' + triple(chosen.factors);
    }
    model.report.append(factorsLine);

    // The title stands outside the table, whose scrolling on a narrow screen would cut it.
    const title = element('p', 'table-title', 'Bounding boxes before and after scaling');
    title.id = 'boxes-' + models.indexOf(model);
    const wrap = element('div', 'table-wrap');
    const table = element('table');
    table.setAttribute('aria-labelledby', title.id);
    const head = element('thead');
    const top = element('tr');
    top.append(element('th', '', 'Points'));
    for (const title of ['Before: min', 'max', 'size', 'After: min', 'max', 'size']) {
      const th = element('th', '', title);
      th.scope = 'col';
      top.append(th);
    }
    head.append(top);
    table.append(head);
    const body = element('tbody');
    for (const [label, counts] of [['vertex points', info.vertices],
                                   ['position/center points', info.positions],
                                   ['key points', info.keys]]) {
      const row = element('tr');
      const th = element('th', '', label + ' (' + counts.lines + ')');
      th.scope = 'row';
      row.append(th);
      boxCells(row, counts.box);
      if (!chosen.factors) {
        const cell = element('td', '', '—');
        cell.colSpan = 3;
        row.append(cell);
      } else {
        boxCells(row, L.scaledBox(counts.box, chosen.factors));
      }
      body.append(row);
    }
    table.append(body);
    wrap.append(table);
    model.report.append(title, wrap);
  }

  let rerenderTimer = 0;
  function rerenderReports() {
    clearTimeout(rerenderTimer);
    rerenderTimer = setTimeout(() => models.forEach(renderReport), 120);
  }

  function setState(model, text, bad) {
    model.state.textContent = text;
    model.state.classList.toggle('bad', Boolean(bad));
  }

  function addRow(model) {
    const item = element('li');
    const title = element('h3', '', L.displayName(nameOf(model)));
    item.append(title, element('p', 'hint', L.sizeText(model.file.size)));
    model.state = element('p', 'model-state');
    model.progress = element('progress', 'model-progress');
    model.progress.max = 1;
    model.progress.value = 0;
    model.progress.hidden = true;
    model.progress.setAttribute('aria-label', 'Progress of ' + L.displayName(nameOf(model)));
    model.report = element('div');
    item.append(model.state, model.progress, model.report);
    return item;
  }

  // Shows a model's progress once its work has taken half a second.
  function progressFor(model) {
    const started = Date.now();
    return (done, total) => {
      if (Date.now() - started < PROGRESS_DELAY_MS) return;
      model.progress.hidden = false;
      model.progress.value = total > 0 ? done / total : 0;
    };
  }

  // --- Choosing models --------------------------------------------------------------------

  // A model's name as chosen, with the folder it came from inside a dropped one.
  function nameOf(model) {
    return model.folder + model.file.name;
  }

  // `chosen`: Files, or { file, folder } for those found in dropped folders. `note` says
  // what else happened to the choice.
  function chooseModels(chosen, note = '') {
    if (busy) {
      showStatus('A scaling is running: cancel it before choosing other models.', true);
      return;
    }
    let items = Array.from(chosen || [], (item) => (item instanceof Blob ? { file: item, folder: '' }
                                                                          : item));
    if (items.length === 0) {
      if (note) showStatus(note, true);
      return;
    }
    if (pending.size > 0) stopWorker({ ok: false, replaced: true });
    if (items.length > MAX_MODELS) {
      note = (note ? note + ' ' : '') + items.length + ' files were chosen; Tessary takes at most ' +
             MAX_MODELS + ' at a time, so only the first ' + MAX_MODELS + ' are listed.';
      items = items.slice(0, MAX_MODELS);
    }
    models = items.map(({ file, folder }) => ({ file, folder: folder || '' }));
    const fragment = document.createDocumentFragment();
    for (const model of models) fragment.append(addRow(model));
    list.replaceChildren(fragment);
    $('no-models').hidden = models.length > 0;
    outputInput.value = models.length === 1 ? L.outputName(models[0].file.name)
                                            : 'scaled-models.zip';
    showStatus(note || (models.length === 1 ? '' : L.count(models.length, 'model', 'models') +
                                                    ' chosen.'), Boolean(note));
    models.forEach(inspect);
  }

  // What was dropped: files as they are, folders for the models inside them; a folder that
  // holds none is named and left out.
  async function chooseDropped(entries, files) {
    let found = { models: Array.from(files, (file) => ({ file, folder: '' })), empty: [] };
    if (entries.length > 0) {
      try {
        found = await L.modelsFromEntries(entries);
      } catch (error) {
        showStatus('Unable to read what was dropped: ' + error.message, true);
        return;
      }
    }
    const names = found.empty.map(L.displayName).join(', ');
    const note = found.empty.length === 0 ? ''
      : found.empty.length === 1 ? 'The folder ' + names + ' holds no .mdl file: nothing in it was chosen.'
      : 'The folders ' + names + ' hold no .mdl file: nothing in them was chosen.';
    chooseModels(found.models, note);
  }

  async function inspect(model) {
    setState(model, 'Reading…');
    const answer = await ask('inspect', { file: model.file }, progressFor(model));
    model.progress.hidden = true;
    if (answer.replaced) return;
    if (answer.cancelled) {
      setState(model, 'Not read: cancelled.', true);
    } else if (answer.notText) {
      model.notText = answer.message;
      setState(model, answer.message, true);
    } else if (answer.changed) {
      setState(model, changedMessage(model), true);
    } else if (!answer.ok) {
      setState(model, answer.message, true);
    } else {
      model.info = answer.info;
      setState(model, 'Ready.');
      renderReport(model);
    }
  }

  // A File names the file the user chose; moved, deleted or changed since, it cannot be read.
  function changedMessage(model) {
    return 'Unable to read ' + L.displayName(nameOf(model)) + ': it was moved, deleted or ' +
           'changed after it was chosen. Choose it again.';
  }

  // --- Scaling ----------------------------------------------------------------------------

  function showStatus(text, bad, good) {
    status.textContent = text;
    status.classList.toggle('bad', Boolean(bad));
    status.classList.toggle('good', Boolean(good));
  }

  function setBusy(value) {
    busy = value;
    scaleButton.disabled = value;
    updateCancel();
    modelInput.disabled = value;
    $('reload').disabled = value;
  }

  let cancelled = false;
  function cancel() {
    if (!busy && pending.size === 0) return;
    cancelled = busy;
    stopWorker({ ok: false, cancelled: true });
  }

  // The name the output really gets: one model's, or the zip of several.
  function outputFileName(several) {
    return L.savedName(outputInput.value.trim(), several ? '.zip' : '.mdl');
  }

  async function pickPlace(several) {
    if (!$('choose-place').checked) return null;
    if (several && canPickFolder) return { folder: await window.showDirectoryPicker({ mode: 'readwrite' }) };
    if (!several && canPickFile) {
      return { file: await window.showSaveFilePicker({
        suggestedName: outputFileName(false),
        types: [{ description: 'MDL Files', accept: { 'model/x-tessary-mdl': ['.mdl'] } }],
      }) };
    }
    return null;
  }

  // The names of the outputs: one model's as the Output field says; several as in a zip or a
  // folder, each model's in the folders it came from in a dropped one, made unique.
  function entryNamesFor(several) {
    if (!several) return [outputFileName(false)];
    return L.uniqueNames(models.map((model) => {
      const folders = model.folder.split('/').filter(Boolean).map(L.safeFileName);
      return [...folders, L.outputName(model.file.name)].join('/');
    }));
  }

  // The outcome, where it can be seen: focused, so that it is in view and read out, at any
  // zoom and on a phone, where the form above may fill the screen.
  function showOutcome() {
    status.focus();
    status.scrollIntoView({ block: 'nearest' });
  }

  async function scaleAll(event) {
    event.preventDefault();
    if (busy) return;
    if (models.length === 0) {
      showStatus('Unable to open input file. Choose a model first.', true);
      modelInput.focus();
      return;
    }
    const outputText = outputInput.value.trim();
    if (outputText === '') {
      showStatus('Unable to open output file. Type a name in the Output field.', true);
      outputInput.focus();
      return;
    }
    // The fields are read as tessary-scale reads its arguments, before anything is read,
    // asked or saved.
    await pageReady;
    if (busy || !pageApi) return;
    const fields = readFields();
    markFields(fields);
    if (fields.invalid) {
      showStatus('Nothing was scaled: ' + fields.invalid.map((f) => f.reason).join('; ') + '.', true);
      models.forEach(renderReport);
      $(fields.invalid[0].id).focus();
      return;
    }
    const several = models.length > 1;
    models.forEach(renderReport);  // with the factors as they are now, whatever set them
    let place = null;
    try {
      place = await pickPlace(several);
    } catch (error) {
      showStatus('Nothing was saved: no place was chosen.', true);
      return;
    }

    cancelled = false;
    setBusy(true);
    const overall = $('overall');
    const total = models.reduce((sum, m) => sum + m.file.size, 0) || 1;
    let before = 0;
    const progressTimer = setTimeout(() => { $('progress').hidden = false; }, PROGRESS_DELAY_MS);
    overall.value = 0;
    showStatus(several ? 'Scaling the models...' : 'Scaling the model...');

    const entryNames = entryNamesFor(several);
    const outputs = [];
    const failures = [];
    // The models scaled but not saved when the run is cancelled say so.
    const notSaved = () => {
      for (const output of outputs) setState(output.model, 'Scaled, but not saved: cancelled.', true);
    };
    try {
      await ask('start-run', {});
      for (const [i, model] of models.entries()) {
        if (cancelled) break;
        if (model.notText) {
          failures.push(model);
          continue;
        }
        const chosen = currentFactors(model, fields);
        if (chosen.reason) {
          setState(model, 'Unable to fit the model: ' + chosen.reason + '.', true);
          failures.push(model);
          before += model.file.size;
          continue;
        }
        setState(model, 'Scaling the model...');
        const showModel = progressFor(model);
        const answer = await ask('scale', { file: model.file, outputName: entryNames[i],
                                           factors: chosen.factors }, (done, size) => {
          showModel(done, size);
          overall.value = (before + done) / total;
          $('progress-text').textContent = Math.floor(100 * overall.value) + '%';
        });
        model.progress.hidden = true;
        before += model.file.size;
        if (answer.cancelled) {
          setState(model, 'Not scaled: cancelled.', true);
          break;
        }
        if (answer.notText) {
          model.notText = answer.message;
          setState(model, answer.message, true);
          failures.push(model);
        } else if (answer.changed) {
          setState(model, changedMessage(model), true);
          failures.push(model);
        } else if (!answer.ok) {
          setState(model, answer.message, true);
          failures.push(model);
        } else {
          setState(model, 'Done! ' + L.count(answer.points, 'point', 'points') + ' scaled in ' +
                   (answer.milliseconds / 1000).toFixed(1) + ' s; ' +
                   L.sizeText(answer.bytesWritten) + ' as ' + L.displayName(entryNames[i]) + '.');
          model.state.dataset.milliseconds = answer.milliseconds;
          model.state.dataset.reading = answer.reading;
          outputs.push({ name: entryNames[i], blob: answer.blob, model });
        }
      }
      if (cancelled) {
        notSaved();
        showStatus('Cancelled: nothing was saved.', true);
        return;
      }
      if (outputs.length === 0) {
        showStatus(several ? 'No model could be scaled: see the list.'
                           : models[0].state.textContent, true);
        return;
      }
      const saved = await save(outputs, several, place);
      if (cancelled) {
        notSaved();
        showStatus('Cancelled: nothing was saved.', true);
        return;
      }
      if (!saved.ok) {
        showStatus(saved.message, true);
        return;
      }
      let text = several ? 'Done! ' + L.count(outputs.length, 'model', 'models') +
                           ' scaled into ' + L.displayName(saved.name) + '.' : 'Done!';
      if (failures.length > 0) text += ' ' + failures.length + ' could not be scaled: see the list.';
      showStatus(text, failures.length > 0, failures.length === 0);
    } finally {
      clearTimeout(progressTimer);
      $('progress').hidden = true;
      setBusy(false);
      showOutcome();
    }
  }

  async function save(outputs, several, place) {
    if (place && place.file) return writeTo(place.file, outputs[0].blob, place.file.name);
    if (place && place.folder) return writeToFolder(place.folder, outputs);
    const name = outputFileName(several);
    if (!several) {
      download(outputs[0].blob, name);
      return { ok: true, name };
    }
    showStatus('Putting the models into ' + L.displayName(name) + '...');
    const zipped = await ask('zip', { entries: outputs.map(({ name, blob }) => ({ name, blob })) },
                             (done, total) => {
      $('overall').value = done / (total || 1);
    });
    if (zipped.cancelled) return { ok: false, message: 'Cancelled: nothing was saved.' };
    if (zipped.tooLarge) {
      return { ok: false, message: 'The scaled models are too large for one zip (4 GiB or ' +
               '65535 files at most): scale fewer at a time' +
               (canPickFolder ? ', or ask where to save and pick a folder.' : '.') };
    }
    if (!zipped.ok) return { ok: false, message: 'Unable to make the zip: ' + zipped.message };
    download(zipped.blob, name);
    return { ok: true, name };
  }

  function download(blob, name) {
    const url = URL.createObjectURL(blob);
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  // The browser writes beside the file and puts the result in place when it is closed, so a
  // failed save leaves the file as it was.
  async function writeTo(handle, blob, name) {
    let writable = null;
    try {
      writable = await handle.createWritable();
      await writable.write(blob);
      await writable.close();
      return { ok: true, name };
    } catch (error) {
      if (writable) await writable.abort().catch(() => {});
      return { ok: false, message: 'Unable to open output file. (' + L.displayName(name) + ': ' +
               error.message + ')' };
    }
  }

  // The file `path` names in `folder`, through the folders before its last "/" (made when
  // `create` is true).
  async function fileIn(folder, path, create) {
    const parts = path.split('/');
    let inside = folder;
    for (const part of parts.slice(0, -1)) inside = await inside.getDirectoryHandle(part, { create });
    return inside.getFileHandle(parts[parts.length - 1], { create });
  }

  // Into a folder: refused before anything is written if any name is taken there.
  async function writeToFolder(folder, outputs) {
    for (const output of outputs) {
      try {
        await fileIn(folder, output.name, false);
        return { ok: false, message: L.displayName(output.name) + ' already exists in the folder ' +
                 'you picked: nothing was written.' };
      } catch (error) {
        if (error.name !== 'NotFoundError') {
          return { ok: false, message: 'Unable to open output file. (' + L.displayName(output.name) +
                   ': ' + error.message + ')' };
        }
      }
    }
    for (const output of outputs) {
      const handle = await fileIn(folder, output.name, true);
      const written = await writeTo(handle, output.blob, output.name);
      if (!written.ok) return written;
    }
    return { ok: true, name: folder.name };
  }

  // --- Wiring -----------------------------------------------------------------------------

  function wire() {
    startWorker();
    pageReady = createTessaryModule({ tessaryFiles: {} }).then((module) => {
      pageApi = TessaryApi.wrap(module);
      rerenderReports();
    }, (error) => {
      showStatus('The scaling module could not start: ' + (error && error.message || error), true);
    });
    modelInput.addEventListener('change', () => chooseModels(modelInput.files));
    form.addEventListener('submit', scaleAll);
    cancelButton.addEventListener('click', cancel);
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') cancel();
    });
    for (const id of [...FACTOR_FIELDS, 'fit-length', 'fit-axis']) {
      $(id).addEventListener('input', () => {
        markFields(readFields(), true);
        rerenderReports();
      });
      $(id).addEventListener('change', () => markFields(readFields()));
    }
    for (const id of ['mode-factors', 'mode-fit']) {
      $(id).addEventListener('change', () => {
        const fit = $('mode-fit').checked;
        $('fit-fields').hidden = !fit;
        $('factor-fields').hidden = fit;
        markFields(readFields(), true);
        rerenderReports();
      });
    }
    if (canPickFile || canPickFolder) $('save-choice').hidden = false;

    // A drop anywhere on the page chooses the models.
    const zone = $('drop-zone');
    let depth = 0;
    const hasFiles = (event) => event.dataTransfer && [...event.dataTransfer.types].includes('Files');
    document.addEventListener('dragenter', (event) => {
      if (!hasFiles(event)) return;
      ++depth;
      zone.hidden = false;
    });
    document.addEventListener('dragleave', () => {
      if (--depth <= 0) { depth = 0; zone.hidden = true; }
    });
    document.addEventListener('dragover', (event) => {
      if (hasFiles(event)) event.preventDefault();
    });
    document.addEventListener('drop', (event) => {
      if (!hasFiles(event)) return;
      event.preventDefault();
      depth = 0;
      zone.hidden = true;
      // Folders come as entries, which must be taken while the drop is handled.
      const entries = [...event.dataTransfer.items].filter((item) => item.kind === 'file')
        .map((item) => (typeof item.webkitGetAsEntry === 'function' ? item.webkitGetAsEntry() : null));
      if (entries.length > 0 && entries.every(Boolean)) chooseDropped(entries, []);
      else chooseDropped([], event.dataTransfer.files);
    });

    // Models opened with the installed app from the file manager.
    if ('launchQueue' in window) {
      window.launchQueue.setConsumer(async (params) => {
        if (!params.files || params.files.length === 0) return;
        chooseModels(await Promise.all(params.files.map((handle) => handle.getFile())));
      });
    }

    registerServiceWorker();
  }

  // Offline use, and the notice when a new version has been fetched.
  function registerServiceWorker() {
    if (!('serviceWorker' in navigator)) return;
    let reloading = false;
    navigator.serviceWorker.register('sw.js').then((registration) => {
      const offer = () => {
        if (!registration.waiting || !navigator.serviceWorker.controller) return;
        $('update').hidden = false;
        $('reload').onclick = () => {
          if (busy) return;
          reloading = true;
          registration.waiting.postMessage('take-over');
        };
      };
      offer();
      registration.addEventListener('updatefound', () => {
        const incoming = registration.installing;
        if (incoming) incoming.addEventListener('statechange', offer);
      });
    }, () => {});
    navigator.serviceWorker.addEventListener('controllerchange', () => {
      if (reloading) window.location.reload();
    });
  }

  wire();
})();
