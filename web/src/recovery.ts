// SPDX-License-Identifier: MIT
// Unsaved work kept in IndexedDB after every edit, so that a closed, reloaded or crashed
// tab can offer it back. One record: the project's text, its file name and the time.
const DB = 'extinguisher-design';
const STORE = 'recovery';
const KEY = 'unsaved';

export interface Kept { text: string; fileName: string; time: number }

function database(): Promise<IDBDatabase> {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(DB, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(STORE);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

async function run<T>(mode: IDBTransactionMode, action: (store: IDBObjectStore) => IDBRequest<T>): Promise<T> {
  const db = await database();
  return new Promise((resolve, reject) => {
    const request = action(db.transaction(STORE, mode).objectStore(STORE));
    request.onsuccess = () => { resolve(request.result); db.close(); };
    request.onerror = () => { reject(request.error); db.close(); };
  });
}

export const keep = (kept: Kept): Promise<IDBValidKey> => run('readwrite', (s) => s.put(kept, KEY));
export const forget = (): Promise<undefined> => run('readwrite', (s) => s.delete(KEY));
export const kept = (): Promise<Kept | undefined> => run('readonly', (s) => s.get(KEY) as IDBRequest<Kept | undefined>);
