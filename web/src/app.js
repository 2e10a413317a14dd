// Tessary's page: chooses models, shows what each holds and how it looks before and after the
// factors, and scales them in workers, as many at once as the machine has cores; saves one
// output as a download (or where the user picks), several as a zip (or into a folder).
'use strict';
(function () {
  const L = TessaryLogic;
  const V = TessaryViews;
  const $ = (id) => document.getElementById(id);
  const MAX_MODELS = 1000;
  const PROGRESS_DELAY_MS = 500;
  // Points kept for each model's small picture; whole samples are kept for the models seen
  // last, and read again when one of the others is selected.
  const THUMB_POINTS = 400;
  const WHOLE_SAMPLES_KEPT = 16;
  // What the page keeps on this computer (never sent): the factors and fit, and the choice
  // of one factor for the three axes.
  const SETTINGS_KEY = 'tessary.settings';
  const SAME_FACTOR_KEY = 'tessary.same-factor';

  const form = $('form');
  const modelInput = $('model');
  const outputInput = $('output');
  const scaleButton = $('scale');
  const cancelButton = $('cancel');
  const status = $('status');
  const rows = $('models');
  const details = $('details');
  const sameFactor = $('same-factor');
  const canPickFile = typeof window.showSaveFilePicker === 'function';
  const canPickFolder = typeof window.showDirectoryPicker === 'function';

  const FACTOR_FIELDS = ['scale-x', 'scale-y', 'scale-z'];

  let models = [];
  let selected = null;
  let busy = false;
  let lastSave = null;
  // The module on the page, which reads the fields and fits models as tessary-scale does.
  let pageApi = null;
  let pageReady = null;

  // --- The workers ------------------------------------------------------------------------

  // One per core, or as many as `workers=N` in the page's address asks for (for measuring).
  const workerCount = TessaryPool.workerCount(new URLSearchParams(window.location.search).get('workers'),
                                              navigator.hardwareConcurrency);
  document.documentElement.dataset.workers = String(workerCount);
  const pool = new TessaryPool.WorkerPool(workerCount, () => new Worker('worker.js'), () => {});

  function ask(type, payload, onProgress, first) {
    const answered = pool.run(type, payload, onProgress, first);
    updateCancel();
    return answered.then((answer) => {
      updateCancel();
      return answer;
    });
  }

  // Cancel stops whatever the workers do: a scaling, or the reading of chosen models.
  function updateCancel() {
    cancelButton.disabled = !busy && pool.pending === 0;
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

  // One cell per triple, each value after its axis's name, on lines of their own.
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
      row.append(element('td', 'triple', values.map((v, axis) => V.AXIS_NAMES[axis] + '\u00a0' +
        shown(v)).join('\n')));
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
    const fit = pageApi.fitFactor(model.info, Number($('fit-axis').value), fields.length,
                                  L.displayName(nameOf(model)));
    if (fit.reason) return { reason: fit.reason, sentence: fit.sentence };
    return { factors: [fit.value, fit.value, fit.value], fitted: fit.value };
  }

  // What a model looks like after the factors, in words, for the table and the picture.
  function afterText(chosen) {
    if (chosen.pending) return '(the page is still loading)';
    if (chosen.fields) return 'none until the fields marked are corrected';
    if (chosen.reason) return 'unable to fit the model: ' + chosen.reason;
    return null;
  }

  // The lengths of a box, "2.5 × 3 × 1", or "none".
  function sizeText(box) {
    if (!box) return 'none';
    return L.boxSize(box).map(V.shortNumber).join(' × ');
  }

  function updateRow(model, fields) {
    if (!model.info) return;
    model.linesCell.textContent = String(model.info.lines);
    model.pointsCell.textContent = String(L.pointCount(model.info));
    const chosen = currentFactors(model, fields);
    const after = chosen.factors ? sizeText(L.scaledBox(model.box, chosen.factors)) : '—';
    // Each box's lengths kept on one line; the arrow may break.
    model.sizeCell.replaceChildren(element('span', 'lengths', sizeText(model.box)), ' → ',
                                   element('span', 'lengths', after));
  }

  // The details of the selected model, below the table: what it holds, its factors, and its
  // boxes before and after them.
  function renderDetails() {
    details.replaceChildren();
    const model = selected;
    if (!model) return;
    details.append(element('h3', 'details-name', L.displayName(nameOf(model))));
    const info = model.info;
    if (!info) {
      details.append(element('p', 'model-summary', model.state.textContent));
      return;
    }
    const chosen = currentFactors(model);
    const summary = element('p', 'model-summary');
    summary.textContent = L.count(info.lines, 'line', 'lines') + ' · ' +
      L.count(info.positions.lines, 'position/center line', 'position/center lines') + ' · ' +
      L.count(info.vertices.blocks, 'verts block', 'verts blocks') + ', ' +
      L.count(info.vertices.lines, 'vertex line', 'vertex lines') + ' · ' +
      L.count(info.keys.blocks, 'positionkey block', 'positionkey blocks') + ', ' +
      L.count(info.keys.lines, 'key line', 'key lines');
    details.append(summary);
    const factorsLine = element('p', 'model-summary');
    if (chosen.pending) {
      factorsLine.textContent = 'Scale factors: (the page is still loading)';
    } else if (chosen.fields) {
      factorsLine.textContent = 'Scale factors: none until the fields marked are corrected.';
    } else if (chosen.reason) {
      factorsLine.classList.add('bad');
      factorsLine.textContent = chosen.sentence || chosen.reason;
    } else {
      factorsLine.textContent = 'Scale factors: ' + triple(chosen.factors);
    }
    details.append(factorsLine);

    // The title stands outside the table, whose scrolling on a narrow screen would cut it.
    const title = element('p', 'table-title', 'Bounding boxes before and after scaling');
    title.id = 'boxes-title';
    const wrap = element('div', 'table-wrap');
    const table = element('table', 'boxes');
    table.setAttribute('aria-labelledby', title.id);
    const head = element('thead');
    const top = element('tr');
    top.append(element('th', '', 'Points'));
    for (const text of ['Before: min', 'max', 'size', 'After: min', 'max', 'size']) {
      const th = element('th', '', text);
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
    details.append(title, wrap);
  }

  // --- Pictures ---------------------------------------------------------------------------

  // The large picture of the selected model and its words, at the next frame: typing goes on
  // while a picture waits, and many changes make one picture.
  let drawFrame = 0;
  function scheduleDraw() {
    if (drawFrame) return;
    drawFrame = requestAnimationFrame(() => {
      drawFrame = 0;
      drawSelected();
    });
  }

  function drawSelected() {
    const canvas = $('views-canvas');
    const model = selected;
    if (!model || $('preview').hidden) return;
    const chosen = currentFactors(model);
    const factors = chosen.factors || null;
    V.draw(canvas, { sample: model.sample, box: model.box }, factors);
    const name = L.displayName(nameOf(model));
    let words = name + ' from the top, the front and the side, before and after scaling, at one scale. ';
    if (!model.info) {
      words += model.state.textContent;
    } else {
      words += 'Before: ' + V.lengthsText(model.box) + '. After: ' +
        (factors ? V.lengthsText(L.scaledBox(model.box, factors)) : afterText(chosen)) + '.';
      if (!model.sample) {
        words += model.sampleFailed ? ' No points to draw: ' + model.sampleFailed
                                    : ' Reading the points…';
      }
    }
    $('views-caption').textContent = words;
  }

  // The small pictures, a few at a time between frames, after the rows' sizes.
  let thumbQueue = [];
  let thumbTimer = 0;
  function scheduleThumbs(list) {
    thumbQueue = list;
    if (!thumbTimer) thumbTimer = requestAnimationFrame(drawSomeThumbs);
  }
  function drawSomeThumbs() {
    thumbTimer = 0;
    const fields = readFields();
    const started = performance.now();
    while (thumbQueue.length > 0 && performance.now() - started < 8) {
      const model = thumbQueue.shift();
      if (!model.thumb || !model.thumbCanvas.isConnected) continue;
      V.drawThumb(model.thumbCanvas, model, currentFactors(model, fields).factors || null);
    }
    if (thumbQueue.length > 0) thumbTimer = requestAnimationFrame(drawSomeThumbs);
  }

  // What follows a change of the fields: the picture at once, the rows, details and small
  // pictures a moment after the last key.
  let rowsTimer = 0;
  function fieldsChanged() {
    scheduleDraw();
    clearTimeout(rowsTimer);
    rowsTimer = setTimeout(() => {
      const fields = readFields();
      for (const model of models) updateRow(model, fields);
      renderDetails();
      scheduleThumbs([...models]);
    }, 120);
  }

  // --- The rows ---------------------------------------------------------------------------

  function setState(model, text, bad) {
    model.state.textContent = text;
    model.state.classList.toggle('bad', Boolean(bad));
    if (model === selected && !model.info) {
      renderDetails();
      scheduleDraw();
    }
  }

  function addRow(model) {
    const row = element('tr');
    const name = L.displayName(nameOf(model));
    const pictureCell = element('td', 'picture');
    model.thumbCanvas = element('canvas', 'thumb');
    model.thumbCanvas.setAttribute('aria-hidden', 'true');
    pictureCell.append(model.thumbCanvas);
    const nameCell = element('th', 'name-cell');
    nameCell.scope = 'row';
    model.pick = element('button', 'model-name', name);
    model.pick.type = 'button';
    model.pick.setAttribute('aria-pressed', 'false');
    nameCell.append(model.pick, element('span', 'hint file-size', L.sizeText(model.file.size)));
    model.linesCell = element('td', 'number', '…');
    model.pointsCell = element('td', 'number', '…');
    model.sizeCell = element('td', 'size', '…');
    const stateCell = element('td', 'state-cell');
    model.linesCell.dataset.label = 'Lines';
    model.pointsCell.dataset.label = 'Points';
    model.sizeCell.dataset.label = 'Size before → after';
    stateCell.dataset.label = 'State';
    model.state = element('span', 'model-state');
    model.progress = element('progress', 'model-progress');
    model.progress.max = 1;
    model.progress.value = 0;
    model.progress.hidden = true;
    model.progress.setAttribute('aria-label', 'Progress of ' + name);
    stateCell.append(model.state, model.progress);
    const saveCell = element('td', 'save-cell');
    model.saveButton = element('button', 'row-save', 'Save');
    model.saveButton.type = 'button';
    model.saveButton.setAttribute('aria-label', 'Save ' + name + ' scaled');
    model.saveButton.disabled = busy;
    saveCell.append(model.saveButton);
    row.append(pictureCell, nameCell, model.linesCell, model.pointsCell, model.sizeCell, stateCell,
               saveCell);
    row.addEventListener('click', (event) => {
      if (event.target.closest('.row-save')) return;
      select(model);
    });
    model.saveButton.addEventListener('click', () => scaleModels([model]));
    model.row = row;
    return row;
  }

  function select(model) {
    if (selected === model) return;
    if (selected) {
      selected.row.classList.remove('selected');
      selected.pick.setAttribute('aria-pressed', 'false');
    }
    selected = model;
    model.row.classList.add('selected');
    model.pick.setAttribute('aria-pressed', 'true');
    renderDetails();
    scheduleDraw();
    if (model.info && !model.sample) sampleOf(model, true);
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
    if (pool.pending > 0) pool.stop({ ok: false, replaced: true });
    if (items.length > MAX_MODELS) {
      note = (note ? note + ' ' : '') + items.length + ' files were chosen; Tessary takes at most ' +
             MAX_MODELS + ' at a time, so only the first ' + MAX_MODELS + ' are listed.';
      items = items.slice(0, MAX_MODELS);
    }
    models = items.map(({ file, folder }) => ({ file, folder: folder || '' }));
    selected = null;
    lastSave = null;
    $('saved').hidden = true;
    wholeSamples = [];
    const fragment = document.createDocumentFragment();
    for (const model of models) fragment.append(addRow(model));
    rows.replaceChildren(fragment);
    document.body.classList.add('has-models');
    $('models-section').hidden = false;
    $('preview').hidden = false;
    outputInput.value = models.length === 1 ? L.outputName(models[0].file.name)
                                            : 'scaled-models.zip';
    showStatus(note || (models.length === 1 ? '' : L.count(models.length, 'model', 'models') +
                                                    ' chosen.'), Boolean(note));
    select(models[0]);
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
      model.box = L.modelBox(answer.info);
      setState(model, 'Ready.');
      updateRow(model, readFields());
      if (model === selected) {
        renderDetails();
        scheduleDraw();
      }
      sampleOf(model, model === selected);
      return;
    }
    for (const cell of [model.linesCell, model.pointsCell, model.sizeCell]) cell.textContent = '—';
  }

  // The models whose whole sample is kept, the last one seen last.
  let wholeSamples = [];

  // Reads a sample of the model's points for its pictures (`first`: before what waits).
  async function sampleOf(model, first) {
    if (model.sampling) return;
    model.sampling = true;
    model.sampleFailed = '';
    const answer = await ask('sample', { file: model.file }, null, first);
    model.sampling = false;
    if (answer.replaced || answer.interrupted || !models.includes(model)) return;
    if (answer.cancelled) {
      model.sampleFailed = 'cancelled.';
    } else if (!answer.ok) {
      model.sampleFailed = answer.changed ? changedMessage(model) : answer.sentence || answer.message;
    } else {
      model.sample = { kept: answer.kept, points: answer.points, kinds: answer.kinds };
      model.thumb = V.thin(model.sample, THUMB_POINTS);
      wholeSamples = wholeSamples.filter((m) => m !== model).concat(model);
      while (wholeSamples.length > WHOLE_SAMPLES_KEPT) {
        const oldest = wholeSamples.findIndex((m) => m !== selected);
        wholeSamples.splice(oldest, 1)[0].sample = null;
      }
      scheduleThumbs([model, ...thumbQueue]);
    }
    if (model === selected) scheduleDraw();
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
    $('save-again').disabled = value;
    for (const model of models) model.saveButton.disabled = value;
  }

  let cancelled = false;
  function cancel() {
    if (!busy && pool.pending === 0) return;
    cancelled = busy;
    pool.stop({ ok: false, cancelled: true });
    updateCancel();
  }

  // The name the output really gets: one model's, or the zip of several.
  function outputFileName(several) {
    return L.savedName(outputInput.value.trim(), several ? '.zip' : '.mdl');
  }

  async function pickPlace(several, suggestedName) {
    if (!$('choose-place').checked) return null;
    if (several && canPickFolder) return { folder: await window.showDirectoryPicker({ mode: 'readwrite' }) };
    if (!several && canPickFile) {
      return { file: await window.showSaveFilePicker({
        suggestedName,
        types: [{ description: 'MDL Files', accept: { 'model/x-tessary-mdl': ['.mdl'] } }],
      }) };
    }
    return null;
  }

  // The names of the outputs of `list`: the one model's as the Output field says (a row's
  // own when it is one of several); several as in a zip or a folder, each model's in the
  // folders it came from in a dropped one, made unique.
  function entryNamesFor(list) {
    if (list.length === 1) {
      return [models.length === 1 ? outputFileName(false) : L.outputName(list[0].file.name)];
    }
    return L.uniqueNames(list.map((model) => {
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

  function scaleAll(event) {
    event.preventDefault();
    scaleModels(models);
  }

  // Scales `list` (every model, or a row's), as many at once as there are workers, and saves
  // the outputs in the order of the list.
  async function scaleModels(list) {
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
      renderDetails();
      $(fields.invalid[0].id).focus();
      return;
    }
    const several = list.length > 1;
    for (const model of models) updateRow(model, fields);  // with the factors as they are now
    renderDetails();
    const entryNames = entryNamesFor(list);
    let place = null;
    try {
      place = await pickPlace(several, entryNames[0]);
    } catch (error) {
      showStatus('Nothing was saved: no place was chosen.', true);
      return;
    }

    cancelled = false;
    setBusy(true);
    // The pictures' reading gives way to the scaling, and takes up again after it.
    pool.drop('sample', { ok: false, interrupted: true });
    lastSave = null;
    $('saved').hidden = true;
    const overall = $('overall');
    const total = list.reduce((sum, m) => sum + m.file.size, 0) || 1;
    const doneOf = new Map();
    const showOverall = () => {
      let done = 0;
      for (const bytes of doneOf.values()) done += bytes;
      overall.value = done / total;
      $('progress-text').textContent = Math.floor(100 * overall.value) + '%';
    };
    const progressTimer = setTimeout(() => { $('progress').hidden = false; }, PROGRESS_DELAY_MS);
    overall.value = 0;
    showStatus(several ? 'Scaling the models...' : 'Scaling the model...');

    const results = new Array(list.length).fill(null);
    const failures = [];
    // The models scaled but not saved when the run is cancelled say so.
    const notSaved = () => {
      for (const output of results) {
        if (output) setState(output.model, 'Scaled, but not saved: cancelled.', true);
      }
    };
    const scaleOne = async (model, i) => {
      if (cancelled) return;
      if (model.notText) {
        failures.push(model);
        return;
      }
      const chosen = currentFactors(model, fields);
      if (chosen.reason) {
        setState(model, chosen.sentence || chosen.reason, true);
        failures.push(model);
        doneOf.set(model, model.file.size);
        return;
      }
      // The first models start at once; the others wait for a worker.
      setState(model, i < pool.size ? 'Scaling the model...' : 'Waiting for a worker…');
      const showModel = progressFor(model);
      const answer = await ask('scale', { file: model.file, outputName: entryNames[i],
                                         factors: chosen.factors, deflate: several && !place },
                               (done, size) => {
        if (model.state.textContent !== 'Scaling the model...') setState(model, 'Scaling the model...');
        showModel(done, size);
        doneOf.set(model, done);
        showOverall();
      });
      model.progress.hidden = true;
      doneOf.set(model, model.file.size);
      showOverall();
      if (answer.cancelled) {
        setState(model, 'Not scaled: cancelled.', true);
      } else if (answer.notText) {
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
        results[i] = { name: entryNames[i], blob: answer.blob, deflated: answer.deflated, model };
      }
    };
    try {
      await pool.everyWorker('start-run', {});
      const started = performance.now();
      await Promise.all(list.map(scaleOne));
      document.documentElement.dataset.scaleMilliseconds = String(performance.now() - started);
      const outputs = results.filter(Boolean);
      if (cancelled) {
        notSaved();
        showStatus('Cancelled: nothing was saved.', true);
        return;
      }
      if (outputs.length === 0) {
        showStatus(several ? 'No model could be scaled: see the list.'
                           : list[0].state.textContent, true);
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
      lastSave = { outputs, several, place, saved };
      showSaved(false);
    } finally {
      clearTimeout(progressTimer);
      $('progress').hidden = true;
      setBusy(false);
      showOutcome();
      for (const model of models) {
        const wanted = model === selected ? !model.sample : !model.thumb;
        if (model.info && wanted && !model.sampleFailed) sampleOf(model, model === selected);
      }
    }
  }

  // The line beside Scale that names what was saved, with "Save again".
  function showSaved(again) {
    const { outputs, saved } = lastSave;
    const where = saved.folder ? ' in the folder ' : ' as ';
    $('saved-text').textContent = L.count(outputs.length, 'model', 'models') +
      (again ? ' saved again' : ' saved') + where + L.displayName(saved.name);
    $('saved').hidden = false;
  }

  async function saveAgain() {
    if (!lastSave || busy) return;
    const { outputs, several, place, saved } = lastSave;
    if (saved.blob) {
      download(saved.blob, saved.name);
    } else {
      setBusy(true);
      try {
        const again = await save(outputs, several, place);
        if (!again.ok) {
          showStatus(again.message, true);
          return;
        }
      } finally {
        setBusy(false);
      }
    }
    showSaved(true);
  }

  // Saves the outputs; answers { ok, name, blob (what was downloaded), folder } or
  // { ok: false, message }.
  async function save(outputs, several, place) {
    if (place && place.file) return writeTo(place.file, outputs[0].blob, place.file.name);
    if (place && place.folder) return writeToFolder(place.folder, outputs);
    const name = several ? outputFileName(true) : outputs[0].name;
    if (!several) {
      download(outputs[0].blob, name);
      return { ok: true, name, blob: outputs[0].blob };
    }
    showStatus('Putting the models into ' + L.displayName(name) + '...');
    const zipped = await ask('zip', { entries: outputs.map(({ name, blob, deflated }) =>
                                        ({ name, blob, deflated })) },
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
    return { ok: true, name, blob: zipped.blob };
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
    return { ok: true, name: folder.name, folder: true };
  }

  // --- What is kept for the next visit ------------------------------------------------------

  function storage() {
    try {
      return window.localStorage;
    } catch (error) {
      return null;  // storage refused: nothing is kept
    }
  }

  function keep(key, value) {
    try {
      const store = storage();
      if (!store) return;
      if (value === null) store.removeItem(key);
      else store.setItem(key, value);
    } catch (error) {
      // full or refused: nothing is kept
    }
  }

  function kept(key) {
    try {
      const store = storage();
      return store ? store.getItem(key) : null;
    } catch (error) {
      return null;
    }
  }

  function showSettings(settings) {
    FACTOR_FIELDS.forEach((id, axis) => { $(id).value = settings.factors[axis]; });
    $('mode-fit').checked = settings.mode === 'fit';
    $('mode-factors').checked = settings.mode !== 'fit';
    $('fit-axis').value = settings.axis;
    $('fit-length').value = settings.length;
    showMode();
  }

  function keepSettings() {
    keep(SETTINGS_KEY, JSON.stringify({
      factors: FACTOR_FIELDS.map((id) => $(id).value),
      mode: $('mode-fit').checked ? 'fit' : 'factors',
      axis: $('fit-axis').value,
      length: $('fit-length').value,
    }));
  }

  function showMode() {
    const fit = $('mode-fit').checked;
    $('fit-fields').hidden = !fit;
    $('factor-fields').hidden = fit;
  }

  // --- Wiring -----------------------------------------------------------------------------

  function wire() {
    showSettings(L.readSettings(kept(SETTINGS_KEY)));
    sameFactor.checked = kept(SAME_FACTOR_KEY) === 'true';
    pageReady = createTessaryModule({ tessaryFiles: {} }).then((module) => {
      pageApi = TessaryApi.wrap(module);
      markFields(readFields(), true);
      fieldsChanged();
    }, (error) => {
      showStatus('The scaling module could not start: ' + (error && error.message || error), true);
    });
    modelInput.addEventListener('change', () => chooseModels(modelInput.files));
    form.addEventListener('submit', scaleAll);
    cancelButton.addEventListener('click', cancel);
    $('save-again').addEventListener('click', saveAgain);
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') cancel();
    });
    for (const id of [...FACTOR_FIELDS, 'fit-length', 'fit-axis']) {
      $(id).addEventListener('input', () => {
        // One factor for the three axes: the one typed.
        if (sameFactor.checked && FACTOR_FIELDS.includes(id)) {
          for (const other of FACTOR_FIELDS) if (other !== id) $(other).value = $(id).value;
        }
        keepSettings();
        markFields(readFields(), true);
        fieldsChanged();
      });
      $(id).addEventListener('change', () => markFields(readFields()));
    }
    sameFactor.addEventListener('change', () => {
      keep(SAME_FACTOR_KEY, String(sameFactor.checked));
      if (sameFactor.checked) {
        for (const other of FACTOR_FIELDS.slice(1)) $(other).value = $('scale-x').value;
        keepSettings();
        markFields(readFields(), true);
        fieldsChanged();
      }
    });
    $('reset-factors').addEventListener('click', () => {
      showSettings(L.readSettings(null));
      keep(SETTINGS_KEY, null);
      markFields(readFields());
      fieldsChanged();
    });
    for (const id of ['mode-factors', 'mode-fit']) {
      $(id).addEventListener('change', () => {
        showMode();
        keepSettings();
        markFields(readFields(), true);
        fieldsChanged();
      });
    }
    if (canPickFile || canPickFolder) $('save-choice').hidden = false;
    window.addEventListener('resize', scheduleDraw);

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
    // Files pasted anywhere are chosen too; text pasted into a field stays text.
    document.addEventListener('paste', (event) => {
      const files = event.clipboardData ? event.clipboardData.files : null;
      if (!files || files.length === 0) return;
      event.preventDefault();
      chooseModels(files);
    });

    // Models opened with the installed app from the file manager, straight into the preview.
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
