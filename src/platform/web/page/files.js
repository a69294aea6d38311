// The editor's folder kept in IndexedDB, one record per file, shared by every tab of the page.
// A tab writes only the files it changed and deletes only those it deleted, and tells the other
// tabs, which take the change into their own folder; no tab ever writes back a whole folder.
(() => {
'use strict';

const page = (window.vxPage = window.vxPage || {});
const folder = '/home/web';  // the editor's working folder
const recoveryPrefix = '.local/state/vxedit/recovery/';
const database = 'vxedit-files';
const channel = 'BroadcastChannel' in window ? new BroadcastChannel('vxedit-files') : null;

const state = {
  FS: null,
  db: null,
  applying: false,     // the folder is being changed from the store: nothing to write back
  pending: new Set(),  // names changed here and not yet written to the store
  writing: false,
  storing: false,      // the page reads a file to store it
  writes: 0,           // write transactions begun so far
  writtenIn: new Map(),  // name -> the write transaction that last stored or removed it here
  known: new Map(),    // name -> time of every file this tab knows to be in the store
  seen: new Map(),     // name -> its time in the store when this tab last read or wrote it
  kept: 0,             // writes finished, for scripts to wait on
  listeners: [],       // told after every change of the store, from this tab or another
};

function request(operation) {
  return new Promise((resolve, reject) => {
    operation.onsuccess = () => resolve(operation.result);
    operation.onerror = () => reject(operation.error);
  });
}

function openStore() {
  const opening = indexedDB.open(database, 1);
  opening.onupgradeneeded = () => opening.result.createObjectStore('files', { keyPath: 'name' });
  return request(opening);
}

function files(mode) {
  return state.db.transaction('files', mode).objectStore('files');
}

// The name of a path under the folder, relative to it; null for a path outside it.
function nameOf(path) {
  if (typeof path !== 'string') return null;
  const parts = [];
  for (const part of (path.startsWith('/') ? path : state.FS.cwd() + '/' + path).split('/')) {
    if (part === '..') parts.pop();
    else if (part && part !== '.') parts.push(part);
  }
  const full = '/' + parts.join('/');
  return full.startsWith(folder + '/') ? full.slice(folder.length + 1) : null;
}

// The recovery folder holds each copy's COPY.lock and COPY.from records beside it: they are no
// copies, and neither offered nor opened as one.
function inRecoveryFolder(name) {
  return name.startsWith(recoveryPrefix);
}

function isRecoveryCopy(name) {
  return inRecoveryFolder(name) && name.endsWith('.vx');
}

// Readable by the user alone, as the editor makes them: it refuses a recovery folder that others
// may open, and would then put its copies among the models.
function makeFoldersFor(path) {
  const FS = state.FS;
  let at = '';
  for (const part of path.split('/').slice(1, -1)) {
    at += '/' + part;
    if (!FS.analyzePath(at).exists) FS.mkdir(at, 0o700);
  }
}

// Puts a stored file into this tab's folder, or takes away one the store no longer has.
function applyRecord(name, record) {
  const FS = state.FS;
  const path = folder + '/' + name;
  state.applying = true;
  try {
    if (record) {
      makeFoldersFor(path);
      FS.writeFile(path, record.bytes);
      FS.utime(path, record.time, record.time);
      state.known.set(name, record.time);
    } else {
      if (FS.analyzePath(path).exists) FS.unlink(path);
      state.known.delete(name);
    }
  } finally {
    state.applying = false;
  }
}

function told() {
  document.body.dataset.kept = String(state.kept);
  document.body.dataset.keptAtMs = String(Math.round(performance.now()));
  for (const listener of state.listeners) listener();
}

// Writes every pending name: the file as the folder holds it, or its removal. One write at a
// time; names changed meanwhile go in the next.
function writePending() {
  if (state.writing || state.pending.size === 0) return;
  const FS = state.FS;
  const names = [...state.pending];
  state.pending.clear();
  state.writing = true;
  state.writes += 1;
  const store = files('readwrite');
  for (const name of names) {
    state.writtenIn.set(name, state.writes);
    const path = folder + '/' + name;
    const found = FS.analyzePath(path);
    if (found.exists && FS.isFile(found.object.mode)) {
      const time = FS.stat(path).mtime.getTime();
      state.storing = true;  // this read is the page's own, not the editor's
      try {
        store.put({ name, bytes: FS.readFile(path), time });
      } finally {
        state.storing = false;
      }
      state.known.set(name, time);
      state.seen.set(name, time);
    } else {
      store.delete(name);
      state.known.delete(name);
    }
  }
  const finished = (error) => {
    if (error) console.error('vxedit: the folder could not be kept', error);
    state.writing = false;
    state.kept += 1;
    if (channel) channel.postMessage({ names });
    told();
    writePending();
  };
  store.transaction.oncomplete = () => finished(null);
  store.transaction.onabort = () => finished(store.transaction.error);
}

function changed(path) {
  const name = state.applying ? null : nameOf(path);
  if (name === null) return;
  state.pending.add(name);
  setTimeout(writePending, 0);
}

// Notes every file the editor finishes writing, renames or removes in the folder.
function watchFolder() {
  const FS = state.FS;
  const after = (operation, touched) => {
    const original = FS[operation];
    FS[operation] = function (...args) {
      const result = original.apply(this, args);
      touched(...args);
      return result;
    };
  };
  after('rename', (from, to) => {
    changed(from);
    changed(to);
  });
  after('unlink', changed);
  after('close', (stream) => {
    if ((stream.flags & 3) !== 0) changed(stream.path);
  });
}

// What a read of the store begun now may put into the folder: not a name changed here since,
// whose write the read cannot have seen (transactions on the store run in the order begun).
function readNow() {
  const writesBefore = state.writes;
  return {
    store: files('readonly'),
    stillTrue: (name) => !state.pending.has(name) && (state.writtenIn.get(name) || 0) <= writesBefore,
  };
}

// Another tab changed these names in the store.
async function takeChanges(names) {
  const read = readNow();
  const records = await Promise.all(names.map((name) => request(read.store.get(name))));
  names.forEach((name, i) => {
    if (read.stillTrue(name)) applyRecord(name, records[i]);
  });
  told();
}

// Brings the folder up to the store's contents, for a tab that is about to show what is there.
async function catchUp() {
  const read = readNow();
  const records = await request(read.store.getAll());
  const inStore = new Set();
  for (const record of records) {
    inStore.add(record.name);
    if (read.stillTrue(record.name) && state.known.get(record.name) !== record.time) applyRecord(record.name, record);
  }
  for (const name of [...state.known.keys()]) {
    if (!inStore.has(name) && read.stillTrue(name)) applyRecord(name, null);
  }
  return records.filter((record) => read.stillTrue(record.name) || state.known.has(record.name));
}

function clockText(time) {
  const at = new Date(time);
  const two = (n) => String(n).padStart(2, '0');
  return `${at.getFullYear()}-${two(at.getMonth() + 1)}-${two(at.getDate())} ${at.toTimeString().slice(0, 8)}`;
}

// A save over a name that another tab stored after this one last read it asks first: two tabs
// saving one name would otherwise lose the earlier's work unseen. Declined, the save fails as
// a full disk would, and the editor keeps its model as unsaved work. A quick save over the
// editor's own file is the editor's to ask about: finding it changed, it reads it, and that read
// counts here, so the save it then lets through is not asked about twice.
function mayReplace(name) {
  const stored = state.known.get(name);
  if (stored === undefined || state.seen.get(name) === stored || inRecoveryFolder(name)) return true;
  const read = state.seen.has(name) ? ', after this tab last read it' : '';
  return window.confirm(`${name} was saved by another tab at ${clockText(stored)}${read}. Save over it?`);
}

// Notes each file the editor reads, once the read is over. A save reads the start of the file
// it replaces too, but renames its new file over it before anything else runs: the rename asks
// first, and only then does the read count.
function watchReads(FS) {
  const open = FS.open;
  FS.open = function (path, flags, ...rest) {
    const stream = open.call(this, path, flags, ...rest);
    const name = nameOf(stream.path);
    const readOnly = typeof flags === 'number' ? (flags & 3) === 0 : flags === 'r';
    if (name !== null && readOnly && !state.storing && state.known.has(name)) {
      const time = state.known.get(name);
      queueMicrotask(() => state.seen.set(name, time));
    }
    return stream;
  };
  const rename = FS.rename;
  FS.rename = function (from, to) {
    const name = nameOf(to);
    if (name !== null && FS.analyzePath(from).exists && !mayReplace(name)) throw new FS.ErrnoError(63);  // EPERM
    return rename.call(this, from, to);
  };
}

// Earlier builds kept the whole folder in one database named after it. Its files move into the
// store once (a file the store already has stays as it is), and only then does it go.
async function takeEarlierFolder() {
  const opening = indexedDB.open(folder);
  let existed = true;
  opening.onupgradeneeded = () => {
    existed = false;
    opening.transaction.abort();
  };
  const earlier = await request(opening).catch(() => null);
  if (!existed || !earlier) return;
  const entries = [];
  if (earlier.objectStoreNames.contains('FILE_DATA')) {
    const cursor = earlier.transaction('FILE_DATA').objectStore('FILE_DATA').openCursor();
    await new Promise((resolve, reject) => {
      cursor.onerror = () => reject(cursor.error);
      cursor.onsuccess = () => {
        const at = cursor.result;
        if (!at) return resolve();
        const name = typeof at.key === 'string' && at.key.startsWith(folder + '/') ? at.key.slice(folder.length + 1) : null;
        if (name && at.value.contents) entries.push({ name, bytes: new Uint8Array(at.value.contents), time: at.value.timestamp.getTime() });
        at.continue();
      };
    });
  }
  earlier.close();
  const store = files('readwrite');
  for (const entry of entries) {
    const adding = store.add(entry);  // add, not put: never over a file saved since
    adding.onerror = (event) => event.preventDefault();
  }
  await new Promise((resolve, reject) => {
    store.transaction.oncomplete = resolve;
    store.transaction.onabort = () => reject(store.transaction.error);
  });
  indexedDB.deleteDatabase(folder);
}

// The browser's file system leaves a file that a rename replaced findable under its name, and
// a later removal of the new file brings the old one back: so the old one is removed first.
// (Every save replaces its file by a rename.)
function mendRename(FS) {
  const rename = FS.rename;
  FS.rename = function (from, to) {
    const target = FS.analyzePath(to);
    if (target.exists && FS.isFile(target.object.mode) && FS.analyzePath(from).exists) FS.unlink(to);
    return rename.call(this, from, to);
  };
}

// Mounts the folder and fills it from the store before the editor starts.
function mountFolder(Module) {
  const FS = (state.FS = Module.FS);
  mendRename(FS);
  watchReads(FS);
  FS.mkdir(folder);
  FS.chdir(folder);
  Module.addRunDependency('vx-folder');
  openStore()
    .then(async (db) => {
      state.db = db;
      await takeEarlierFolder().catch((error) => console.error('vxedit: the earlier folder could not be moved', error));
      page.startRecords = await catchUp();
      for (const record of page.startRecords) state.seen.set(record.name, record.time);
    })
    .catch((error) => {
      console.error('vxedit: the stored folder could not be read', error);
      page.startRecords = [];
    })
    .finally(() => {
      watchFolder();
      if (channel) channel.onmessage = (event) => state.db && takeChanges(event.data.names);
      Module.removeRunDependency('vx-folder');
    });
}

function writeNow() {
  if (state.db) writePending();
}

function removeFile(name) {
  const path = folder + '/' + name;
  if (state.FS.analyzePath(path).exists) state.FS.unlink(path);
}

// The model a recovery copy belongs to: "<stem>-YYYYMMDD-HHMMSS[-N].vx" -> "<stem>.vx".
function modelOfCopy(name) {
  const base = name.slice(recoveryPrefix.length);
  const found = /^(.*)-\d{8}-\d{6}(-\d+)?\.vx$/.exec(base);
  return (found ? found[1] : base.replace(/\.vx$/, '')) + '.vx';
}

// The newest copy newer than the last save of its model, which a start offers back.
function copyToOffer(records) {
  const saved = new Map(records.filter((r) => !inRecoveryFolder(r.name)).map((r) => [r.name, r.time]));
  let offer = null;
  for (const record of records) {
    if (!isRecoveryCopy(record.name)) continue;
    const savedAt = saved.get(modelOfCopy(record.name));
    if ((savedAt === undefined || record.time > savedAt) && (!offer || record.time > offer.time)) offer = record;
  }
  return offer;
}

window.addEventListener('pagehide', writeNow);
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden') writeNow();
});

Object.assign(page, {
  folder, mountFolder, catchUp, removeFile, inRecoveryFolder, isRecoveryCopy, modelOfCopy, copyToOffer,
  onStoreChange: (listener) => state.listeners.push(listener),
});
})();
